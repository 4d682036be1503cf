#include "PdfRewrite.h"

#include "PdfCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string.h> // memrchr
#include <utility>

namespace {

// The document is scanned through views of this size, so memory stays the same whatever its size.
constexpr std::size_t BlockSize = 1 << 20;

constexpr char LayoutError[] = "Error reading from input PDF file for update! ";
constexpr char ControlError[] = "Control data invalid in source PDF file! ";

// A message of the rewrite with the code that tells its cause apart, "text (code)".
std::string coded(std::string_view text, std::string_view code)
{
    std::string message(text);
    message += '(';
    message += code;
    message += ')';
    return message;
}

bool startsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }

// A byte that belongs to a name, number or keyword: neither white space nor a delimiter.
bool isRegular(char c) { return !isBlank(c) && std::string_view("()<>[]{}/%").find(c) == std::string_view::npos; }

// The first position from on where text holds one of the bytes, npos when none: searched a byte value
// at a time, as the rest copy looks at every byte of the document after the control line.
std::size_t firstOf(std::string_view text, std::size_t from, std::string_view bytes)
{
    std::size_t first = std::string_view::npos;
    if (from >= text.size())
        return first;
    for (const char byte : bytes)
        if (const void* found = std::memchr(text.data() + from, byte, std::min(first, text.size()) - from))
            first = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    return first;
}

bool allBlank(std::string_view text) { return std::all_of(text.begin(), text.end(), isBlank); }

// Reads a run of decimal digits at the front of text, at most 18 of them so the value fits; -1 when
// there is none or it is too long.
long long takeNumber(std::string_view& text)
{
    std::size_t count = 0;
    long long value = 0;
    while (count < text.size() && isDigit(text[count])) {
        if (count == 18)
            return -1;
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    if (count == 0)
        return -1;
    text.remove_prefix(count);
    return value;
}

bool takeText(std::string_view& text, std::string_view expected)
{
    if (!startsWith(text, expected))
        return false;
    text.remove_prefix(expected.size());
    return true;
}

void skipBlanks(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

// Skips the white space of any kind at the front of text, line ends included; gives how much it skipped.
std::size_t skipWhiteSpace(std::string_view& text)
{
    const std::size_t before = text.size();
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return before - text.size();
}

// A field of the control line, read as a decimal number the way the host's own reader takes it:
// leading white space skipped, a sign allowed, the digits ending at the first other character, and a
// field without digits reading 0. The fields are at most ten characters, so the value always fits.
long long controlField(std::string_view field)
{
    while (!field.empty() && std::string_view(" \t\n\v\f\r").find(field.front()) != std::string_view::npos)
        field.remove_prefix(1);
    const bool negative = !field.empty() && field.front() == '-';
    if (!field.empty() && (field.front() == '-' || field.front() == '+'))
        field.remove_prefix(1);
    long long value = 0;
    for (std::size_t i = 0; i < field.size() && isDigit(field[i]); ++i)
        value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

// An object header on a line of its own, "N 0 obj"; its number, or -1. A leading zero would make a
// second spelling of the number, which the table could not tell apart.
long long objectHeader(std::string_view line)
{
    if (line.empty() || line.front() == '0')
        return -1;
    const long long number = takeNumber(line);
    return number >= 0 && line == " 0 obj\n" ? number : -1;
}

// The object a "N 0 R" reference right after key names, in a trailer line; -1 when the line has none.
long long referenceAfter(std::string_view line, std::string_view key)
{
    for (std::size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
        std::string_view rest = line.substr(at + key.size());
        if (!rest.empty() && isRegular(rest.front()))
            continue;
        skipBlanks(rest);
        const long long number = takeNumber(rest);
        skipBlanks(rest);
        if (number >= 0 && takeText(rest, "0") && !rest.empty() && isBlank(rest.front())) {
            skipBlanks(rest);
            if (startsWith(rest, "R") && (rest.size() == 1 || !isRegular(rest[1])))
                return number;
        }
        return -1;
    }
    return -1;
}

// Whether the line names key as a name of its own (not as the start of a longer name).
bool holdsName(std::string_view line, std::string_view key)
{
    for (std::size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1))
        if (at + key.size() == line.size() || !isRegular(line[at + key.size()]))
            return true;
    return false;
}

// The length of the value that starts text, a literal string with its nested parentheses and escapes
// or a hexadecimal string, when it closes within text; 0 when it does not or is something else.
std::size_t stringValueLength(std::string_view text)
{
    if (startsWith(text, "<") && !startsWith(text, "<<")) {
        const std::size_t close = text.find('>');
        if (close == std::string_view::npos)
            return 0;
        const bool hex = std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(close), [](char c) {
            return isBlank(c) || std::string_view("0123456789abcdefABCDEF").find(c) != std::string_view::npos;
        });
        return hex ? close + 1 : 0;
    }
    if (!startsWith(text, "("))
        return 0;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '(')
            ++depth;
        else if (text[i] == ')' && --depth == 0)
            return i + 1;
    }
    return 0;
}

std::string formatted(const char* format, long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

long long MemoryPdfInput::size() { return static_cast<long long>(m_bytes.size()); }

std::span<const char> MemoryPdfInput::view(long long offset, std::size_t size)
{
    if (offset < 0 || static_cast<unsigned long long>(offset) >= m_bytes.size())
        return {};
    const std::string_view part = m_bytes.substr(static_cast<std::size_t>(offset), size);
    return {part.data(), part.size()};
}

// The answer is only whether a control line exists, so the document is scanned from its end, where the
// host puts the control line: a document to be signed is rarely read further back than its last pages.
// A line's last piece starts a whole number of pieces after the line's start, so it is known only once
// the line feed before the line has been found; the bytes that piece can start at, the last 2039 before
// its own line feed, are kept when the scan leaves the view that holds them.
bool FindControlLine(PdfInput& input)
{
    constexpr long long Piece = 2039;
    long long pending = -1; // a line feed whose line's start is not found yet
    std::string kept;       // the bytes from keptStart up to pending
    long long keptStart = 0;
    long long high = input.size(); // the scan has looked at everything from here on
    while (high > 0) {
        const long long viewStart = std::max(0LL, high - static_cast<long long>(BlockSize));
        // Three bytes beyond what is scanned, so a piece's first four bytes are whole.
        const std::span<const char> block = input.view(viewStart, static_cast<std::size_t>(high - viewStart + 3));
        if (static_cast<long long>(block.size()) < high - viewStart)
            return false; // the file ended earlier than it said
        const char* data = block.data();
        const auto startsControlLine = [&](long long lineStart) {
            const long long pieceStart = pending - (pending - lineStart) % Piece;
            if (pending - pieceStart < 4)
                return false;
            char first[4];
            for (long long at = pieceStart; at < pieceStart + 4; ++at)
                first[at - pieceStart] = at >= keptStart ? kept[at - keptStart] : data[at - viewStart];
            return std::memcmp(first, "%SRP", 4) == 0;
        };
        const char* end = data + (high - viewStart);
        while (const void* found = ::memrchr(data, '\n', static_cast<std::size_t>(end - data))) {
            const long long lineFeed = viewStart + (static_cast<const char*>(found) - data);
            if (pending >= 0 && startsControlLine(lineFeed + 1))
                return true;
            pending = lineFeed;
            kept.clear();
            keptStart = lineFeed;
            end = static_cast<const char*>(found);
        }
        if (viewStart == 0)
            return pending >= 0 && startsControlLine(0);
        if (pending >= 0) {
            const long long from = std::max(viewStart, pending - Piece);
            if (from < keptStart) {
                kept.insert(0, data + (from - viewStart), static_cast<std::size_t>(keptStart - from));
                keptStart = from;
            }
        }
        high = viewStart;
    }
    return false;
}

// The source after the marker read in lines as the platform's text mode gives them: carriage returns
// dropped, a byte 0x1A ends the input, at most 119 characters a piece (a longer line comes as several
// pieces). The bytes are copied out of each view, so the source may be viewed elsewhere meanwhile.
// Each piece tells whether it lost carriage returns, and whether one of them stood alone, not as the
// first half of a CR LF line end.
class PdfRewrite::Lines {
public:
    Lines(PdfInput& input, long long offset) : m_input(input), m_offset(offset) {}

    // The next piece; false at the end.
    bool next(std::string_view& piece)
    {
        m_lineStart = !m_piece.empty() && m_piece.back() == '\n';
        m_pieceOffset = position();
        m_piece.clear();
        m_droppedReturn = false;
        m_loneReturn = false;
        while (!m_ended && m_piece.size() < 119 && available()) {
            // The run of plain bytes goes over whole; only the bytes that end it are looked at.
            const std::string_view rest(m_buffer.data() + m_position,
                                        std::min(m_buffer.size() - m_position, 119 - m_piece.size()));
            const std::size_t run = std::min(firstOf(rest, 0, "\n\r\x1a"), rest.size());
            m_piece.append(rest.substr(0, run));
            m_position += run;
            if (run == rest.size())
                continue;
            const char c = m_buffer[m_position++];
            if (c == '\n') {
                m_piece += c;
                break;
            }
            if (c == 0x1A) {
                m_ended = true;
                m_stopped = true;
                break;
            }
            m_droppedReturn = true;
            if (!available() || m_buffer[m_position] != '\n')
                m_loneReturn = true;
        }
        piece = m_piece;
        return !m_piece.empty();
    }

    // Whether the last piece begins a line of the source rather than continuing a longer one.
    bool lineStart() const { return m_lineStart; }
    // Where the last piece begins in the source, and where the next one will.
    long long pieceOffset() const { return m_pieceOffset; }
    long long position() const { return m_offset - static_cast<long long>(m_buffer.size() - m_position); }
    // Reads the rest of a line and drops it; false when nothing was left to read.
    bool skipLine()
    {
        std::string_view piece;
        if (!next(piece))
            return false;
        while (!piece.ends_with('\n') && next(piece)) {
        }
        return true;
    }

    bool droppedReturn() const { return m_droppedReturn; }
    bool loneReturn() const { return m_loneReturn; }
    // True when the input ended at a byte 0x1A rather than at the document's end.
    bool stopped() const { return m_stopped; }

private:
    bool available() { return m_position < m_buffer.size() || refill(); }

    bool refill()
    {
        const std::span<const char> bytes = m_input.view(m_offset, 64 * 1024);
        if (bytes.empty()) {
            m_ended = true;
            return false;
        }
        m_buffer.assign(bytes.data(), bytes.size());
        m_offset += static_cast<long long>(bytes.size());
        m_position = 0;
        return true;
    }

    PdfInput& m_input;
    long long m_offset;
    std::string m_buffer;
    std::size_t m_position = 0;
    bool m_ended = false;
    bool m_stopped = false;
    bool m_droppedReturn = false;
    bool m_loneReturn = false;
    bool m_lineStart = false;
    long long m_pieceOffset = 0;
    std::string m_piece = "%SRP"; // the control line's rest, read first, continues the marker's line
};

// Where the rest copy stands in the document's syntax. The line rules hold for lines that begin
// between tokens; inside a literal string, a comment or a stream's data a line that looks like an
// object header or a date is text, and rewriting it would change the document or break it.
struct PdfRewrite::Syntax {
    int stringDepth = 0;
    bool escaped = false; // a backslash inside a string ended the last piece
    bool comment = false; // a comment runs on into the next piece
    bool data = false;    // inside the data of a stream after the control line

    // The regular bytes that end what was followed between tokens, the last seven at most: a
    // "stream" keyword may begin in one piece of a long line and end in the next.
    std::string run;

    bool betweenTokens() const { return stringDepth == 0 && !comment && !data; }

    // Follows the text of one piece between tokens or inside strings and comments; a "stream" keyword
    // that ends its line between tokens starts the data.
    void follow(std::string_view piece)
    {
        const bool started = betweenTokens();
        const std::size_t from = scan(piece);
        if (!betweenTokens()) {
            run.clear();
            return;
        }
        const bool lineEnd = piece.ends_with('\n');
        const std::string_view text = lineEnd ? piece.substr(0, piece.size() - 1) : piece;
        std::size_t first = text.size();
        while (first > from && isRegular(text[first - 1]))
            --first;
        if (first > 0 || !started)
            run.clear();
        run.append(text.substr(first));
        if (run.size() > 7)
            run.erase(0, run.size() - 7);
        if (lineEnd) {
            data = run == "stream";
            run.clear();
        }
    }

    // The data has ended at its "endstream", which no keyword can continue.
    void endData()
    {
        data = false;
        run = "dstream";
    }

private:
    // Follows the piece; where it ends between tokens, gives where the text between tokens that ends
    // it begins.
    std::size_t scan(std::string_view piece)
    {
        std::size_t at = 0;
        std::size_t from = 0;
        while (at < piece.size()) {
            if (comment) {
                at = firstOf(piece, at, "\n");
                comment = at == std::string_view::npos;
                if (comment)
                    return piece.size();
                from = ++at;
            } else if (stringDepth > 0) {
                if (escaped) {
                    escaped = false;
                    ++at;
                    continue;
                }
                at = firstOf(piece, at, "\\()");
                if (at == std::string_view::npos)
                    return piece.size();
                const char c = piece[at++];
                if (c == '\\')
                    escaped = true;
                else
                    stringDepth += c == '(' ? 1 : -1;
                from = at;
            } else {
                const std::size_t next = firstOf(piece, at, "%(");
                if (next == std::string_view::npos)
                    return from;
                if (piece[next] == '%')
                    comment = true;
                else
                    stringDepth = 1;
                at = next + 1;
            }
        }
        return from;
    }
};

PdfRewrite::PdfRewrite(const SigStrokes& strokes, std::string modDate)
    : m_strokes(strokes), m_modDate("/ModDate (D:" + modDate + ")")
{
}

PdfRewrite::~PdfRewrite() = default;

bool PdfRewrite::fail(std::string text)
{
    m_messages.push_back({std::move(text), "Error"});
    return false;
}

bool PdfRewrite::refuse(std::string_view code) { return fail(coded(LayoutError, code)); }

bool PdfRewrite::write(PdfOutput& target, std::string_view bytes)
{
    if (bytes.empty())
        return true;
    if (!target.write(bytes))
        return fail("Error writing target PDF file!");
    m_written += static_cast<long long>(bytes.size());
    return true;
}

// A "%" begins an attempt at the marker; the byte that ends a failed attempt never begins one of its
// own, so "%%SRP" holds no marker. The bytes of a failed attempt are written as they stand, so up to
// the marker the copy is the source itself and goes out in whole views; only an attempt still open at
// the end of a view waits for the next one.
bool PdfRewrite::copyToMarker(PdfInput& source, PdfOutput& target)
{
    static constexpr char Marker[] = "%SRP";
    long long offset = 0;
    std::size_t matched = 0; // bytes of the marker met so far
    for (;;) {
        const std::span<const char> block = source.view(offset, BlockSize);
        if (block.empty()) {
            if (matched)
                return fail("Unexpected EOF in input file! (" + std::to_string(matched) + ")");
            // HasControlLine found a control line, so the file changed since it was checked.
            return fail("Control data missing in source PDF file!");
        }
        const char* data = block.data();
        std::size_t carried = matched; // bytes of an attempt begun in an earlier view, not yet written
        std::size_t next = 0;
        while (next < block.size()) {
            if (matched == 0) {
                const void* percent = std::memchr(data + next, '%', block.size() - next);
                if (!percent) {
                    next = block.size();
                    break;
                }
                next = static_cast<const char*>(percent) - data + 1;
                matched = 1;
            } else if (data[next++] != Marker[matched]) {
                matched = 0;
                if (carried && !write(target, {Marker, carried}))
                    return false;
                carried = 0;
            } else if (++matched == 4) {
                m_marker = offset + static_cast<long long>(next) - 4;
                return next <= 4 || write(target, {data, next - 4});
            }
        }
        const std::size_t open = matched - carried; // bytes of this view in the attempt still open
        if (!write(target, {data, block.size() - open}))
            return false;
        offset += static_cast<long long>(block.size());
    }
}

bool PdfRewrite::readControlLine(PdfInput& source)
{
    m_source = &source;
    m_lines = std::make_unique<Lines>(source, m_marker + 4);
    std::string_view rest;
    // The rest is taken as text, so it ends at a NUL byte it may hold.
    if (!m_lines->next(rest) || std::strlen(std::string(rest).c_str()) < 16)
        return fail("Control data missing in source PDF file!");
    m_baseLength = controlField(rest.substr(0, 10));
    m_boxX = static_cast<int>(controlField(rest.substr(10, 3)));
    m_boxY = static_cast<int>(controlField(rest.substr(13, 3)));
    // The whole line goes, however long: what follows a long line's first piece is no line of its own.
    if (!rest.ends_with('\n'))
        m_lines->skipLine();
    return checkStreamStart(source, m_baseLength);
}

// The base length must lead back from the marker to the start of the stream's data, right after the
// "stream" keyword of a dictionary whose /Length is an indirect object: otherwise the new length, or
// the object the rewrite puts it in, would not be the stream's.
bool PdfRewrite::checkStreamStart(PdfInput& source, long long baseLength)
{
    // Room for the stream's dictionary before its data: far more than a content stream's dictionary,
    // which names its length and perhaps its filters, ever takes.
    constexpr long long Window = BlockSize;
    if (baseLength < 0 || baseLength > m_marker)
        return fail(coded(ControlError, "C2"));
    const long long dataStart = m_marker - baseLength;
    const long long from = std::max(0LL, dataStart - Window);
    const std::span<const char> bytes = source.view(from, static_cast<std::size_t>(dataStart - from));
    std::string_view before(bytes.data(), bytes.size());
    if (static_cast<long long>(before.size()) != dataStart - from)
        return fail(coded(ControlError, "C2"));
    if (before.ends_with("\r\n"))
        before.remove_suffix(2);
    else if (before.ends_with("\n"))
        before.remove_suffix(1);
    else
        return fail(coded(ControlError, "C2"));
    if (!before.ends_with("stream"))
        return fail(coded(ControlError, "C2"));
    before.remove_suffix(6);
    while (!before.empty() && isBlank(before.back()))
        before.remove_suffix(1);
    if (!before.ends_with(">>"))
        return fail(coded(ControlError, "C2"));

    // The last /Length of the dictionary that is the key itself, not the start of a longer name.
    std::size_t key = before.size();
    do
        key = key == 0 ? std::string_view::npos : before.rfind("/Length", key - 1);
    while (key != std::string_view::npos && key + 7 < before.size() && isRegular(before[key + 7]));
    if (key == std::string_view::npos)
        return refuse("L1");
    std::string_view reference = before.substr(key + 7);
    if (reference.empty() || !isBlank(reference.front()))
        return refuse("L1");
    while (!reference.empty() && isBlank(reference.front()))
        reference.remove_prefix(1);
    m_lengthReference = takeNumber(reference);
    std::string_view generation = reference;
    while (!generation.empty() && isBlank(generation.front()))
        generation.remove_prefix(1);
    if (m_lengthReference < 1 || generation.size() == reference.size() || !takeText(generation, "0") ||
        generation.empty() || !isBlank(generation.front()))
        return refuse("L1");
    while (!generation.empty() && isBlank(generation.front()))
        generation.remove_prefix(1);
    if (!takeText(generation, "R"))
        return refuse("L1");
    return true;
}

bool PdfRewrite::writeRest(PdfOutput& target)
{
    for (int i = 0; i < 3; ++i)
        if (!m_lines->skipLine())
            m_messages.push_back({"Error reading old lines from source file!", "Stylara - Error"});

    m_block = SignatureBlock(m_boxX, m_boxY, m_strokes);
    if (!write(target, m_block))
        return false;
    m_newLength = static_cast<long long>(m_block.size()) + m_baseLength;
    return copyObjects(target) && rewriteTable(target);
}

bool PdfRewrite::confirmWritten(SignedCheck check)
{
    switch (check) {
    case SignedCheck::Sound:
        return true;
    case SignedCheck::Filtered: // a reader decodes or decrypts the stream, and the signature's plain bytes with it
        return refuse("F1");
    case SignedCheck::OffPage:
        return refuse("P1");
    case SignedCheck::Changed: // a reader of the source resolves some object to another one
        return refuse("V2");
    case SignedCheck::Damaged:
        break;
    }
    return refuse("V1");
}

// The next piece of the rest; false at the end. Carriage returns may go only where dropping them
// changes nothing: as the first half of a CR LF line end outside a stream's data.
bool PdfRewrite::nextLine(std::string_view& line, std::string_view atEnd)
{
    if (!m_lines->next(line))
        return refuse(atEnd);
    return checkPiece(line);
}

bool PdfRewrite::checkPiece(std::string_view line)
{
    if (m_lines->loneReturn())
        return refuse("R1");
    if (line.find('\0') != std::string_view::npos) // text mode would end the line there and lose the rest
        return refuse("B1");
    return true;
}

// A line whose first piece is given, gathered whole: the rules that read a line's keys or values
// hold for the line, wherever the pieces of a long one end. A line longer than a block is refused.
bool PdfRewrite::wholeLine(std::string& text, std::string_view first)
{
    text.assign(first);
    std::string_view piece;
    while (!text.ends_with('\n') && m_lines->next(piece)) {
        if (!checkPiece(piece))
            return false;
        text.append(piece);
        if (text.size() > BlockSize)
            return refuse("N1");
    }
    return true;
}

// Copies the objects after the control line, noting where each header lands and putting the new
// stream length, modification date and producer in.
bool PdfRewrite::copyObjects(PdfOutput& target)
{
    m_offsets.clear();
    m_sourceOffsets.clear();
    m_datedObjects.clear();
    m_syntax = std::make_unique<Syntax>();
    Syntax& syntax = *m_syntax;
    long long object = -1; // the object whose lines are being copied, -1 between objects
    std::string whole;
    for (bool first = true;; first = false) {
        const long long offset = m_written;
        std::string_view line;
        if (!nextLine(line, "X"))
            return false;
        // The line rules hold where a line begins, not where a long line's next piece does.
        const bool lineStart = m_lines->lineStart();
        if (syntax.data) {
            const bool end = lineStart && startsWith(line, "endstream");
            if (!end && m_lines->droppedReturn())
                return refuse("R2");
            if (!write(target, line))
                return false;
            if (end) {
                syntax.endData();
                syntax.follow(line.substr(9));
            }
            continue;
        }
        if (first && !startsWith(line, "endstream"))
            return refuse("E1");
        if (first)
            m_sourceLength = m_lines->pieceOffset() - (m_marker - m_baseLength);
        // A comment line is no header, however it ends.
        if (!lineStart || !syntax.betweenTokens() || startsWith(line, "%")) {
            if (!write(target, line))
                return false;
            syntax.follow(line);
            continue;
        }
        if (!first && startsWith(line, "endstream")) // the data of a stream whose start was not seen
            return refuse("S1");
        if (line.size() >= 5 && line.substr(line.size() - 5, 4) == " obj") {
            const long long number = objectHeader(line);
            if (m_offsets.empty()) {
                // The first object after the stream is its length; its old value line goes, whatever
                // it held.
                if (number != m_lengthReference)
                    return refuse("L2");
                m_lengthObject = number;
                // Written before the next read, which reuses the line's bytes.
                if (!write(target, line))
                    return false;
                const long long header = m_lines->pieceOffset();
                std::string_view value;
                if (!nextLine(value, "X") || !wholeLine(whole, value) ||
                    !write(target, formatted("%lld\n", m_newLength)))
                    return false;
                m_sourceOffsets.push_back(header);
            } else {
                // The table gives the moved objects their offsets by number, in the order they stand.
                if (number != m_lengthObject + static_cast<long long>(m_offsets.size()))
                    return refuse("O1");
                if (!write(target, line))
                    return false;
                m_sourceOffsets.push_back(m_lines->pieceOffset());
            }
            m_offsets.push_back(offset);
            object = number;
            continue;
        }
        if (startsWith(line, "xref")) {
            m_sourceTable = m_lines->pieceOffset();
            return true;
        }
        if (startsWith(line, "endobj"))
            object = -1;
        if (startsWith(line, "/ModDate ") || startsWith(line, "/Producer ")) {
            if (!wholeLine(whole, line))
                return false;
            const bool date = startsWith(whole, "/ModDate ");
            if (!replaceValue(target, whole, date ? "/ModDate " : "/Producer ",
                              date ? std::string_view(m_modDate)
                                   : "/Producer (Norvane Stylara - Signature capture for UNIX)",
                              object))
                return false;
            continue;
        }
        if (!write(target, line))
            return false;
        syntax.follow(line);
    }
}

// A line that begins with key gets the replacement in place of the key and its value. The value must
// be a string that closes on the line: its end is then known, and whatever follows it on the line (a
// dictionary's end, another entry) is kept as it stands.
bool PdfRewrite::replaceValue(PdfOutput& target, std::string_view line, std::string_view key,
                              std::string_view replacement, long long object)
{
    std::string_view value = line.substr(key.size());
    skipBlanks(value);
    const std::size_t length = stringValueLength(value);
    if (length == 0)
        return refuse("M1");
    std::string_view after = value.substr(length);
    if (after.ends_with("\n") && allBlank(after))
        after = "\n";
    if (std::find(m_datedObjects.begin(), m_datedObjects.end(), object) == m_datedObjects.end())
        m_datedObjects.push_back(object);
    if (!write(target, replacement) || !write(target, after))
        return false;
    m_syntax->follow(after);
    return true;
}

struct PdfRewrite::TableEntry {
    long long offset = 0;
    long long generation = 0;
    char type = 'f';
};

// A cross-reference entry: ten digits, five digits and "n" or "f", ending in a blank and LF or in the
// LF alone (what is left of a CR LF end once the carriage return is dropped).
bool PdfRewrite::readEntry(std::string_view line, TableEntry& entry)
{
    if (line.size() < 19 || line[10] != ' ' || line[16] != ' ')
        return false;
    for (const std::size_t i : {0, 11}) {
        const std::size_t width = i == 0 ? 10 : 5;
        if (!std::all_of(line.begin() + i, line.begin() + i + width, isDigit))
            return false;
    }
    std::string_view digits = line.substr(0, 10);
    entry.offset = takeNumber(digits);
    digits = line.substr(11, 5);
    entry.generation = takeNumber(digits);
    entry.type = line[17];
    const std::string_view end = line.substr(18);
    return (entry.type == 'n' || entry.type == 'f') && (end == " \n" || end == "\n");
}

// Whether the bytes at offset begin the header of the object, "N G obj"; -1 takes any number or
// generation.
bool PdfRewrite::headerAt(long long offset, long long number, long long generation)
{
    const std::span<const char> bytes = m_source->view(offset, 64);
    std::string_view text(bytes.data(), bytes.size());
    if (text.empty() || !isDigit(text.front()))
        return false;
    const long long found = takeNumber(text);
    if ((number >= 0 && found != number) || skipWhiteSpace(text) == 0)
        return false;
    const long long foundGeneration = takeNumber(text);
    if (foundGeneration < 0 || (generation >= 0 && foundGeneration != generation) || skipWhiteSpace(text) == 0)
        return false;
    return takeText(text, "obj") && (text.empty() || !isRegular(text.front()));
}

// Every place in the source where a header "N G obj" stands, found as a reader that rebuilds a table
// would look for them: anywhere, not only where the rest copy looked. Where one cannot be read whole
// within the bytes around it, the scan reports that it is unsure.
bool PdfRewrite::findAllHeaders(std::map<long long, Header>& headers)
{
    constexpr long long Context = 256;
    const long long size = m_source->size();
    for (long long from = 0; from < size; from += BlockSize) {
        const long long viewStart = std::max(0LL, from - Context);
        const std::span<const char> bytes =
            m_source->view(viewStart, static_cast<std::size_t>(from - viewStart) + BlockSize + 8);
        const std::string_view text(bytes.data(), bytes.size());
        for (std::size_t at = text.find("obj", static_cast<std::size_t>(from - viewStart));
             at != std::string_view::npos; at = text.find("obj", at + 1)) {
            if (viewStart + static_cast<long long>(at) >= from + static_cast<long long>(BlockSize))
                break;
            if (at + 3 < text.size() && isRegular(text[at + 3]))
                continue;
            std::size_t start = at;
            const auto skip = [&](bool digits) {
                const std::size_t end = start;
                while (start > 0 && (digits ? isDigit(text[start - 1]) : isBlank(text[start - 1])))
                    --start;
                return end - start;
            };
            if (skip(false) == 0)
                continue;
            const std::size_t generationEnd = start;
            const std::size_t generationDigits = skip(true);
            if (generationDigits == 0)
                continue;
            if (skip(false) == 0)
                continue;
            const std::size_t numberEnd = start;
            const std::size_t numberDigits = skip(true);
            if (numberDigits == 0 || (start > 0 && isRegular(text[start - 1])))
                continue;
            if (start == 0 && viewStart > 0)
                return false;
            if (numberDigits > 18 || generationDigits > 18)
                return false;
            std::string_view numberText = text.substr(start, numberEnd - start);
            std::string_view generationText = text.substr(generationEnd - generationDigits, generationDigits);
            std::size_t lineAt = start;
            while (lineAt > 0 && (text[lineAt - 1] == ' ' || text[lineAt - 1] == '\t'))
                --lineAt;
            if (lineAt == 0 && viewStart > 0)
                return false;
            Header& header = headers[takeNumber(numberText)];
            header.count += 1;
            header.offset = viewStart + static_cast<long long>(start);
            header.generation = takeNumber(generationText);
            header.lineStart = lineAt == 0 || text[lineAt - 1] == '\n' || text[lineAt - 1] == '\r';
        }
    }
    return true;
}

// A table whose entries do not all lead to their objects' headers is one a reader rebuilds from the
// headers it finds. Every reader then finds the same objects only where each object in use has one
// header in the whole file, at the start of a line, and no other header stands: the entries are
// then set to those headers, the moved objects' being the ones the rest copy found.
bool PdfRewrite::repairTable(std::vector<TableEntry>& entries)
{
    std::map<long long, Header> headers;
    if (!findAllHeaders(headers))
        return refuse("T7");
    for (const auto& [number, header] : headers) {
        if (number >= static_cast<long long>(entries.size()))
            return refuse("T7");
        TableEntry& entry = entries[static_cast<std::size_t>(number)];
        if (entry.type != 'n' || header.count != 1 || header.generation != entry.generation || !header.lineStart)
            return refuse("T7");
        const long long index = number - m_lengthObject;
        if (index >= 0 && index < static_cast<long long>(m_offsets.size())) {
            if (header.offset != m_sourceOffsets[static_cast<std::size_t>(index)])
                return refuse("T7");
        } else if (header.offset >= m_marker) {
            return refuse("T7");
        }
        entry.offset = header.offset;
    }
    for (std::size_t number = 0; number < entries.size(); ++number)
        if (entries[number].type == 'n' && !headers.contains(static_cast<long long>(number)))
            return refuse("T7");
    return true;
}

// The objects before the Length object keep their entries; those after it get their new offsets. The
// table must be one subsection from object 0 that lists every moved object, each entry leading to the
// header the signer's document has for its object.
bool PdfRewrite::rewriteTable(PdfOutput& target)
{
    m_tableOffset = m_written;
    if (!write(target, "xref\n"))
        return false;
    std::string_view line;
    if (!nextLine(line, "X2"))
        return false;
    std::string_view subsection = line;
    long long count = -1;
    if (takeText(subsection, "0 ")) {
        count = takeNumber(subsection);
        skipBlanks(subsection);
    }
    const long long moved = static_cast<long long>(m_offsets.size());
    if (count < m_lengthObject + moved || subsection != "\n")
        return refuse("T1");
    if (!write(target, line))
        return false;
    std::vector<TableEntry> entries;
    bool repair = false;
    for (long long number = 0; number < count; ++number) {
        const char* atEnd = number < m_lengthObject ? "X2" : number < m_lengthObject + moved ? "X3" : "X4";
        if (!nextLine(line, atEnd))
            return false;
        TableEntry entry;
        if (!readEntry(line, entry))
            return refuse("T2");
        const long long index = number - m_lengthObject;
        if (index >= 0 && index < moved) {
            // A free entry, or another generation, is no object the rewrite could give an offset.
            if (entry.type != 'n' || entry.generation != 0)
                return refuse("T5");
            // Another header of the number, hidden where the rest copy does not look, is the object
            // every reader of the source shows; the copy would show the one the scan found.
            if (entry.offset != m_sourceOffsets[static_cast<std::size_t>(index)]) {
                if (headerAt(entry.offset, number, -1))
                    return refuse("T6");
                repair = true;
            }
        } else if (entry.type == 'n') {
            if (entry.offset >= m_marker)
                return refuse("T3");
            repair = repair || !headerAt(entry.offset, number, entry.generation);
        }
        entries.push_back(entry);
    }
    std::string trailer;
    long long startxref = -1;
    if (!readTrailer(trailer, startxref))
        return false;
    // A reader that finds no startxref near the end of the file, or one that leads to no table,
    // rebuilds the table as well; one that leads to another table or an object reads that instead.
    if (startxref != m_sourceTable) {
        const std::span<const char> bytes = m_source->view(std::max(0LL, startxref), 64);
        std::string_view text(bytes.data(), bytes.size());
        const long long there = std::max(0LL, startxref) + static_cast<long long>(skipWhiteSpace(text));
        if ((startsWith(text, "xref") && there != m_sourceTable) || headerAt(there, -1, -1))
            return refuse("U3");
        repair = true;
    }
    const long long size = m_source->size();
    const std::span<const char> end = m_source->view(std::max(0LL, size - 1024), 1024);
    repair = repair || std::string_view(end.data(), end.size()).find("startxref") == std::string_view::npos;
    if (repair && !repairTable(entries))
        return false;
    for (std::size_t number = 0; number < entries.size(); ++number) {
        const TableEntry& entry = entries[number];
        const long long index = static_cast<long long>(number) - m_lengthObject;
        // Written whole, so an entry whose CR LF end lost its carriage return keeps its 20 bytes.
        const std::string text = index >= 0 && index < moved
                                     ? formatted("%010lld 00000 n \n", m_offsets[static_cast<std::size_t>(index)])
                                     : formatted("%010lld", entry.offset) + formatted(" %05lld", entry.generation) +
                                           ' ' + entry.type + " \n";
        if (!write(target, text))
            return false;
    }
    return write(target, trailer) && write(target, "startxref\n") &&
           write(target, formatted("%lld\n", m_tableOffset)) && write(target, "%%EOF\n");
}

// Whether the bytes from offset to the end of the source hold an update: a table, a trailer, a
// startxref or an object header.
bool PdfRewrite::holdsUpdate(long long offset)
{
    const long long size = m_source->size();
    for (long long from = offset; from < size; from += BlockSize) {
        const long long viewStart = std::max(offset, from - 16);
        const std::span<const char> bytes =
            m_source->view(viewStart, static_cast<std::size_t>(from - viewStart) + BlockSize);
        const std::string_view text(bytes.data(), bytes.size());
        for (const std::string_view keyword : {"xref", "trailer", "obj"})
            if (text.find(keyword) != std::string_view::npos)
                return true;
    }
    return false;
}

// The trailer up to the startxref keyword, kept for the copy, and the offset that keyword gives, -1
// where it gives none. The signer was shown the document as its last table gives it; a source with an
// update after its first table (a /Prev or /XRefStm, a second table, another one after the %%EOF)
// would be signed in a version the signer never saw.
bool PdfRewrite::readTrailer(std::string& trailer, long long& startxref)
{
    long long info = -1;
    std::string_view piece;
    std::string line;
    for (bool first = true;; first = false) {
        // Without its startxref the source was cut short; a signed copy of it would not open.
        if (!nextLine(piece, "X4") || !wholeLine(line, piece))
            return false;
        if (first && !startsWith(line, "trailer"))
            return refuse("T4");
        if (startsWith(line, "start"))
            break;
        if (startsWith(line, "xref") || holdsName(line, "/Prev") || holdsName(line, "/XRefStm"))
            return refuse("U1");
        if (holdsName(line, "/Info"))
            info = referenceAfter(line, "/Info");
        trailer += line;
        if (trailer.size() > BlockSize)
            return refuse("N1");
    }
    // The date and producer go into the document information dictionary and nowhere else.
    for (const long long object : m_datedObjects)
        if (object < 0 || object != info)
            return refuse("M2");
    startxref = -1;
    if (startsWith(line, "startxref")) {
        std::string_view rest = std::string_view(line).substr(9);
        skipBlanks(rest);
        if (!rest.empty() && isDigit(rest.front())) {
            startxref = takeNumber(rest);
            if (!allBlank(rest))
                return refuse("U2");
        }
    }
    bool endLine = false;
    while (!endLine && m_lines->next(piece)) {
        if (!checkPiece(piece) || !wholeLine(line, piece))
            return false;
        std::string_view text = line;
        skipBlanks(text);
        if (startxref < 0 && !text.empty() && isDigit(text.front())) {
            startxref = takeNumber(text);
            if (!allBlank(text))
                return refuse("U2");
        } else if (startxref >= 0 && takeText(text, "%%EOF") && allBlank(text)) {
            endLine = true;
        } else if (!allBlank(line)) {
            return refuse("U2");
        }
    }
    // What follows the end holds no update, so a reader ignores it, and so does the signed copy.
    if (endLine ? holdsUpdate(m_lines->position()) : m_lines->stopped())
        return refuse("U2");
    return true;
}

std::string SignatureBlock(int boxX, int boxY, const SigStrokes& strokes)
{
    return "0 J 0 j 0.8 w 10 M []0 d\n" + StrokePathLines(boxX, boxY, strokes) + "S\nQ\n";
}

PdfSignResult SignPdfBytes(std::string_view source, const SigStrokes& strokes, const std::string& modDate)
{
    PdfSignResult result;
    MemoryPdfInput input(source);
    if (!FindControlLine(input)) {
        result.messages.push_back({"Control data missing in PDF file.  Document already signed?", "Error"});
        return result;
    }
    StringPdfOutput output(result.output);
    PdfRewrite rewrite(strokes, modDate);
    result.ok = rewrite.copyToMarker(input, output) && rewrite.readControlLine(input) && rewrite.writeRest(output) &&
                rewrite.confirmWritten(CheckSignedPdf(result.output, rewrite.signedStream(), source));
    result.stream = rewrite.signedStream();
    result.messages = rewrite.messages();
    result.firstMovedObject = rewrite.firstMovedObject();
    result.movedObjects = rewrite.movedObjectOffsets().size();
    return result;
}
