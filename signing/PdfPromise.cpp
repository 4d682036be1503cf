#include "PdfPromise.h"

#include "PdfCheck.h"

#include <algorithm>
#include <vector>

namespace {

bool allOf(std::string_view text, std::string_view bytes)
{
    return std::all_of(text.begin(), text.end(), [&](char c) { return bytes.find(c) != std::string_view::npos; });
}

// Reads the next line, LF included; false at the end or on a last line without one.
bool line(std::string_view text, std::size_t& at, std::string_view& out)
{
    const std::size_t end = text.find('\n', at);
    if (at >= text.size() || end == std::string_view::npos)
        return false;
    out = text.substr(at, end + 1 - at);
    at = end + 1;
    return true;
}

long long number(std::string_view text)
{
    if (text.empty() || text.size() > 18 || !allOf(text, "0123456789"))
        return -1;
    long long value = 0;
    for (const char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// A body line of a plain object: only simple strings that close on the line, no comments, streams or
// keywords that a reader could take for structure.
bool plainLine(std::string_view text)
{
    for (const char* word : {"obj", "stream", "xref", "trailer", "startxref", "%", "\\"})
        if (text.find(word) != std::string_view::npos)
            return false;
    bool inString = false;
    for (const char c : text)
        if (c == '(' || c == ')') {
            if (inString != (c == ')'))
                return false;
            inString = !inString;
        }
    return !inString;
}

// Where the marker "%SRP" stands as the signer scans for it: a "%" begins an attempt, and the byte
// that ends a failed one begins none of its own, so "%%SRP" holds none.
std::size_t markerAt(std::string_view source)
{
    const std::string_view marker = "%SRP";
    for (std::size_t at = source.find('%'); at != std::string_view::npos;) {
        std::size_t matched = 1;
        while (matched < marker.size() && at + matched < source.size() && source[at + matched] == marker[matched])
            ++matched;
        if (matched == marker.size())
            return at;
        at = at + matched + 1 < source.size() ? source.find('%', at + matched + 1) : std::string_view::npos;
    }
    return std::string_view::npos;
}

} // namespace

bool FollowsHostLayout(std::string_view source)
{
    const std::size_t marker = source.find("%SRP");
    if (marker == std::string_view::npos || (marker > 0 && source[marker - 1] != '\n') || source.size() < marker + 21 ||
        !allOf(source.substr(marker + 4, 16), "0123456789") || source[marker + 20] != '\n')
        return false;
    const std::string_view rest = source.substr(marker);
    if (rest.find_first_of(std::string_view("\0\x1a\r", 3)) != std::string_view::npos)
        return false;
    const long long base = number(source.substr(marker + 4, 10));
    if (base < 7 || static_cast<std::size_t>(base) > marker)
        return false;
    const std::size_t data = marker - static_cast<std::size_t>(base);
    const std::string_view before = source.substr(0, data);
    const std::size_t key = before.rfind("/Length ");
    if (!before.ends_with(" 0 R >>\nstream\n") || key == std::string_view::npos)
        return false;
    const long long lengthObject = number(before.substr(key + 8, before.size() - 15 - key - 8));
    if (lengthObject < 1 || lengthObject > 99)
        return false;
    // The stream names only its length, and a page draws it.
    const std::size_t streamHeader = before.rfind("\n", before.rfind(" 0 obj\n<< /Length ")) + 1;
    const std::string contents = " 0 R";
    const long long stream = number(before.substr(streamHeader, before.find(' ', streamHeader) - streamHeader));
    const std::string dictionary =
        std::to_string(stream) + " 0 obj\n<< /Length " + std::to_string(lengthObject) + " 0 R >>\nstream\n";
    if (stream < 1 || before.substr(streamHeader) != dictionary ||
        (before.find("/Contents " + std::to_string(stream) + contents) == std::string_view::npos &&
         before.find("/Contents [" + std::to_string(stream) + contents) == std::string_view::npos))
        return false;
    if (!PdfPageDraws(source, static_cast<int>(stream)))
        return false;

    std::size_t at = marker;
    std::string_view text;
    for (int i = 0; i < 4; ++i)
        if (!line(source, at, text))
            return false;
    // The stream's length ends its data before "endstream", with or without the line feed.
    const long long end = static_cast<long long>(at - data);
    if (!line(source, at, text) || text != "endstream\n" || !line(source, at, text) || text != "endobj\n")
        return false;
    std::vector<std::size_t> headers; // where the objects after the control line stand
    std::vector<long long> dated;     // the objects with a date or producer line
    for (;;) {
        const std::size_t header = at;
        if (!line(source, at, text))
            return false;
        if (text == "xref\n") {
            at = header;
            break;
        }
        const long long expected = lengthObject + static_cast<long long>(headers.size());
        if (text != std::to_string(expected) + " 0 obj\n")
            return false;
        headers.push_back(header);
        long long length = -1; // a stream's direct length, once its dictionary named one
        for (bool first = true;; first = false) {
            if (!line(source, at, text))
                return false;
            if (text == "endobj\n")
                break;
            if (headers.size() == 1) {
                const long long value = number(text.substr(0, text.size() - 1));
                if (!first || (value != end && value != end - 1))
                    return false;
                continue;
            }
            const std::size_t key = text.find("/Length ");
            if (key != std::string_view::npos) {
                const std::size_t valueEnd = text.find_first_of(" >", key + 8);
                length = valueEnd == std::string_view::npos ? -1 : number(text.substr(key + 8, valueEnd - key - 8));
                if (length < 0 || text.substr(valueEnd).starts_with(" 0 R"))
                    return false;
            }
            // A stream: its keyword ends a dictionary line or stands alone, then exactly its length of
            // text lines, then its end.
            if (text == "stream\n" || text.ends_with(" stream\n") || text.ends_with(">>stream\n")) {
                if (length < 1 || !plainLine(text.substr(0, text.size() - 7)) || source.size() < at + length)
                    return false;
                const std::string_view streamData = source.substr(at, static_cast<std::size_t>(length));
                if (!streamData.ends_with('\n') || streamData.find("endstream") != std::string_view::npos ||
                    streamData.find("obj") != std::string_view::npos || streamData.find("%") != std::string_view::npos)
                    return false;
                at += static_cast<std::size_t>(length);
                if (!line(source, at, text) || text != "endstream\n")
                    return false;
                continue;
            }
            if (!plainLine(text))
                return false;
            if (text.starts_with("/ModDate ") || text.starts_with("/Producer ")) {
                if (text.substr(text.find(' ') + 1, 1) != "(")
                    return false;
                dated.push_back(expected);
            }
        }
    }
    if (headers.empty())
        return false;
    const std::size_t table = at;
    line(source, at, text);
    if (!line(source, at, text) || !text.starts_with("0 ") || text.size() < 4)
        return false;
    const long long count = number(text.substr(2, text.size() - 3));
    if (count < lengthObject + static_cast<long long>(headers.size()))
        return false;
    for (long long object = 0; object < count; ++object) {
        if (!line(source, at, text) || text.size() != 20 || !allOf(text.substr(0, 10), "0123456789") ||
            text.substr(10, 7) != " 00000 " || (text.substr(17) != "n \n" && text.substr(17) != "f \n")) {
            if (!(object == 0 && text == "0000000000 65535 f \n"))
                return false;
        }
        const bool moved = object >= lengthObject && object - lengthObject < static_cast<long long>(headers.size());
        if (text[17] == 'f') {
            if (moved) // the table lists every object after the control line as in use
                return false;
            continue;
        }
        const long long offset = number(text.substr(0, 10));
        const std::string header = std::to_string(object) + " 0 obj\n";
        if (offset < 1 || static_cast<std::size_t>(offset) >= source.size() ||
            source[static_cast<std::size_t>(offset) - 1] != '\n' ||
            source.substr(static_cast<std::size_t>(offset), header.size()) != header)
            return false;
        if (moved && static_cast<std::size_t>(offset) != headers[static_cast<std::size_t>(object - lengthObject)])
            return false;
        if (object < lengthObject && static_cast<std::size_t>(offset) >= marker)
            return false;
    }
    if (!line(source, at, text) || text != "trailer\n" || !line(source, at, text) || !text.starts_with("<<"))
        return false;
    for (const long long object : dated)
        if (text.find("/Info " + std::to_string(object) + " 0 R") == std::string_view::npos)
            return false;
    if (text.find("/Prev") != std::string_view::npos || text.find("/XRefStm") != std::string_view::npos ||
        !plainLine(text) || !line(source, at, text) || text != "startxref\n" || !line(source, at, text) ||
        number(text.substr(0, text.size() - 1)) != static_cast<long long>(table) || !line(source, at, text) ||
        text != "%%EOF\n")
        return false;
    return allOf(source.substr(at), " \t\n");
}

std::string BrokenPromise(std::string_view source, const PdfSignResult& result)
{
    if (!result.ok) {
        if (result.messages.empty())
            return "refused without a message";
        for (const PdfMessage& message : result.messages)
            if (message.text.empty() || message.caption.empty())
                return "an empty message";
        if (result.messages.back().caption != "Error")
            return "the refusal's message is a notice";
        // qpdf's command line leaves Flate data that it need not rewrite undecoded; the signer's own
        // check decodes every stream but images, and refuses a document one of whose streams is damaged.
        if (FollowsHostLayout(source) && PdfPassesQpdfCheck(source) && PdfIsSound(source))
            return "a sound host document refused: " + result.messages.back().text;
        return "";
    }
    const std::string_view out = result.output;
    const std::size_t marker = markerAt(source);
    if (marker == std::string_view::npos || out.substr(0, marker) != source.substr(0, marker))
        return "the bytes before the marker changed";
    const std::string_view block = out.substr(marker);
    if (!block.starts_with(result.stream.tail) || !block.substr(result.stream.tail.size()).starts_with("endstream"))
        return "the signature block does not stand where the control line stood";
    if (!PdfIsSound(result.output))
        return "the signed document fails the check";
    if (PdfPassesQpdfCheck(source) && !PdfPassesQpdfCheck(result.output))
        return "the signed document fails qpdf's check where its source passed";
    const std::string difference = PdfObjectsDiffer(source, result.output, result.stream);
    if (!difference.empty())
        return "the signed document is not the source: " + difference;
    return "";
}
