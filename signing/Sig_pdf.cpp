#include "Sig_pdf.h"

#include "Adobe_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Documents are copied through blocks of this size, so memory stays the same whatever the file's size.
constexpr std::size_t BlockSize = 1 << 20;

void showError(const std::string& text, const char* caption = "Error") {
    BringWindowToFront(form_adobe);
    ui::MessageBox(text, caption, ui::MB_OK | ui::MB_ICONERROR);
}

bool startsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

// The source read in lines as the platform's text mode gives them: carriage returns dropped, a byte
// 0x1A ends the input, at most 119 characters a piece (a longer line comes as several pieces).
class SourceLines {
public:
    explicit SourceLines(std::FILE* file) : m_file(file) {}

    // The next piece up to a NUL byte it may hold, as the copy writes it; nullptr at the end.
    const char* next() {
        std::size_t count = 0;
        while (!m_ended && count < sizeof m_line - 1) {
            const int c = std::getc(m_file);
            if (c == EOF || c == 0x1A) {
                m_ended = true;
                break;
            }
            if (c == '\r') continue;
            m_line[count++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        if (count == 0) return nullptr;
        m_line[count] = '\0';
        return m_line;
    }

private:
    std::FILE* m_file;
    bool m_ended = false;
    char m_line[120] = {};
};

// The target, with every write checked and its length counted as it grows.
class TargetFile {
public:
    ~TargetFile() { close(); }

    bool open(const std::string& path, const char* mode) {
        m_file = win::openFile(path, mode);
        if (!m_file) return false;
        std::fseek(m_file, 0, SEEK_END);
        m_length = std::ftell(m_file);
        return m_length >= 0;
    }

    bool write(std::string_view bytes) {
        if (bytes.empty()) return true;
        if (!m_file || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) return false;
        m_length += static_cast<long long>(bytes.size());
        return true;
    }

    // False when the last buffered bytes could not be written.
    bool close() {
        if (!m_file) return true;
        const bool written = std::fclose(m_file) == 0;
        m_file = nullptr;
        return written;
    }

    long long length() const { return m_length; }

private:
    std::FILE* m_file = nullptr;
    long long m_length = 0;
};

std::string formatted(const char* format, long long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class PdfSigner {
public:
    explicit PdfSigner(const SigStrokes& strokes) : m_strokes(strokes) {}
    ~PdfSigner() { closeSource(); }

    bool run();

private:
    bool fail(const std::string& text) {
        closeSource();
        m_target.close();
        showError(text);
        return false;
    }
    bool writeFailed() { return fail("Error writing target PDF file!"); }
    bool write(std::string_view bytes) { return m_target.write(bytes); }
    void closeSource() {
        if (m_source) std::fclose(m_source);
        m_source = nullptr;
    }

    bool copyToMarker(long long& markerEnd);
    bool writeSignature(SourceLines& lines);
    bool copyRest(SourceLines& lines);
    bool rewriteTable(SourceLines& lines);

    const SigStrokes& m_strokes;
    std::FILE* m_source = nullptr;
    TargetFile m_target;
    long long m_newLength = 0;
    long long m_lengthObject = 0;
    // The output offsets of the object headers after the control line, in file order.
    std::vector<long long> m_offsets;
};

bool PdfSigner::run() {
    m_source = win::openFile(globals.UnsignedPdfPath, "rb");
    if (!m_source) return fail("Error opening source PDF file for update! (1)");
    globals.SignedPdfPath = globals.TempDir + "\\signed.pdf";
    if (!m_target.open(globals.SignedPdfPath, "wb")) return fail("Error opening target PDF file for update! (1)");
    long long markerEnd = 0;
    if (!copyToMarker(markerEnd)) return false;
    closeSource();
    if (!m_target.close()) return writeFailed();

    // From the marker on the host's file is text, and it is edited line by line.
    m_source = win::openFile(globals.UnsignedPdfPath, "rb");
    if (!m_source || std::fseek(m_source, static_cast<long>(markerEnd), SEEK_SET) != 0)
        return fail("Error opening source PDF file for update! (2)");
    SourceLines lines(m_source);
    if (!writeSignature(lines) || !copyRest(lines) || !rewriteTable(lines)) return false;
    closeSource();
    if (!m_target.close()) return writeFailed();
    return true;
}

// Copies the source up to the marker "%SRP", which is left out. A "%" begins an attempt at the
// marker; the byte that ends a failed attempt never begins one of its own, so "%%SRP" holds no marker.
// The bytes of a failed attempt are written as they stand, so up to the marker the copy is the source
// itself and goes out in whole blocks; only an attempt still open at the end of a block waits for the
// next one.
bool PdfSigner::copyToMarker(long long& markerEnd) {
    static constexpr char Marker[] = "%SRP";
    std::vector<char> buffer(BlockSize + 3);
    long long bufferOffset = 0;
    std::size_t matched = 0; // bytes of the marker met so far
    for (;;) {
        const std::size_t read = std::fread(buffer.data() + matched, 1, BlockSize, m_source);
        if (read == 0) {
            if (matched) return fail("Unexpected EOF in input file! (" + std::to_string(matched) + ")");
            return fail("Control data missing in source PDF file!"); // the file changed since it was checked
        }
        const std::size_t filled = matched + read;
        std::size_t next = matched;
        while (next < filled) {
            if (matched == 0) {
                const void* percent = std::memchr(buffer.data() + next, '%', filled - next);
                if (!percent) break;
                next = static_cast<const char*>(percent) - buffer.data() + 1;
                matched = 1;
            } else if (buffer[next++] != Marker[matched]) {
                matched = 0;
            } else if (++matched == 4) {
                markerEnd = bufferOffset + static_cast<long long>(next);
                return write({buffer.data(), next - 4}) || writeFailed();
            }
        }
        if (!write({buffer.data(), filled - matched})) return writeFailed();
        std::memmove(buffer.data(), buffer.data() + filled - matched, matched);
        bufferOffset += static_cast<long long>(filled - matched);
    }
}

// Reads the control line's fields, drops the three lines after it and writes the signature block in
// their place.
bool PdfSigner::writeSignature(SourceLines& lines) {
    const char* rest = lines.next();
    if (!rest || std::strlen(rest) < 16) return fail("Control data missing in source PDF file!");
    const std::string fields(rest);
    const long long baseLength = std::atoll(fields.substr(0, 10).c_str());
    const int boxX = std::atoi(fields.substr(10, 3).c_str());
    const int boxY = std::atoi(fields.substr(13, 3).c_str());

    if (!m_target.open(globals.SignedPdfPath, "ab")) return fail("Error opening target PDF file for update! (2)");
    const long long blockStart = m_target.length();
    for (int i = 0; i < 3; ++i)
        if (!lines.next()) showError("Error reading old lines from source file!", "Stylara - Error");

    if (!write("0 J 0 j 0.8 w 10 M []0 d\n") || !write(StrokePathLines(boxX, boxY, m_strokes)) || !write("S\n") ||
        !write("Q\n"))
        return writeFailed();
    m_newLength = m_target.length() - blockStart + baseLength;
    return true;
}

// Copies the objects after the control line, noting where each header lands and putting the new
// stream length, modification date and producer in.
bool PdfSigner::copyRest(SourceLines& lines) {
    const std::string modDate = "/ModDate (D:" + PdfDateString() + ")\n";
    m_offsets.clear();
    long long offset = m_target.length();
    for (;;) {
        const char* piece = lines.next();
        if (!piece) return fail("Error reading from input PDF file for update! (X)");
        const std::string_view line(piece);
        bool written = true;
        if (line.size() >= 5 && line.substr(line.size() - 5, 4) == " obj") {
            written = write(line);
            const bool lengthObject = m_offsets.empty();
            m_offsets.push_back(offset);
            if (lengthObject) {
                // The first object after the stream is its length; its old value line goes.
                m_lengthObject = std::atoll(piece);
                written = written && write(formatted("%lld\n", m_newLength));
                lines.next();
            }
        } else if (startsWith(line, "/ModDate ")) {
            written = write(modDate);
        } else if (startsWith(line, "/Producer ")) {
            written = write("/Producer (Norvane Stylara - Signature capture for UNIX)\n");
        } else if (startsWith(line, "xref")) {
            return true;
        } else {
            written = write(line);
        }
        if (!written) return writeFailed();
        offset = m_target.length();
    }
}

// The objects before the Length object keep their entries; those after it get their new offsets.
bool PdfSigner::rewriteTable(SourceLines& lines) {
    const long long tableOffset = m_target.length();
    if (!write("xref\n")) return writeFailed();
    for (long long i = 0; i <= m_lengthObject; ++i) {
        const char* line = lines.next();
        if (!line) return fail("Error reading from input PDF file for update! (X2)");
        if (!write(line)) return writeFailed();
    }
    for (const long long offset : m_offsets) {
        if (!write(formatted("%010lld 00000 n \n", offset))) return writeFailed();
        if (!lines.next()) return fail("Error reading from input PDF file for update! (X3)");
    }
    for (;;) {
        const char* piece = lines.next();
        // Without its startxref the source was cut short; a signed copy of it would not open.
        if (!piece) return fail("Error reading from input PDF file for update! (X4)");
        if (startsWith(piece, "start")) break;
        if (!write(piece)) return writeFailed();
    }
    if (!write("startxref\n") || !write(formatted("%lld\n", tableOffset)) || !write("%%EOF\n")) return writeFailed();
    return true;
}

} // namespace

int HasControlLine(const std::string& path) {
    std::FILE* file = win::openFile(path, "rb");
    if (!file) {
        showError("Error opening target PDF file! (1)");
        return -1;
    }
    // The file counts as read in pieces of at most 2039 bytes, each ending after an LF where one comes
    // first; a control line is a piece that begins with "%SRP" and ends with LF. Only the last piece of
    // a line ends with its LF, so only its first bytes are looked at, and those are kept over a refill.
    constexpr long long Piece = 2039;
    std::vector<char> buffer(BlockSize + Piece);
    long long bufferOffset = 0;
    long long lineStart = 0;
    std::size_t kept = 0;
    int result = 0;
    while (result == 0) {
        const std::size_t read = std::fread(buffer.data() + kept, 1, BlockSize, file);
        if (read == 0) break;
        const std::size_t filled = kept + read;
        std::size_t scan = kept;
        while (const void* found = std::memchr(buffer.data() + scan, '\n', filled - scan)) {
            const std::size_t end = static_cast<const char*>(found) - buffer.data();
            const long long lineFeed = bufferOffset + static_cast<long long>(end);
            const long long pieceStart = lineStart + (lineFeed - lineStart) / Piece * Piece;
            if (lineFeed - pieceStart >= 4 &&
                std::memcmp(buffer.data() + (pieceStart - bufferOffset), "%SRP", 4) == 0) {
                result = 1;
                break;
            }
            lineStart = lineFeed + 1;
            scan = end + 1;
        }
        const long long filledEnd = bufferOffset + static_cast<long long>(filled);
        const long long keepFrom = lineStart + (filledEnd - lineStart) / Piece * Piece;
        kept = static_cast<std::size_t>(filledEnd - keepFrom);
        std::memmove(buffer.data(), buffer.data() + (keepFrom - bufferOffset), kept);
        bufferOffset = keepFrom;
    }
    std::fclose(file);
    return result;
}

bool SignPdfFile(const SigStrokes& strokes) {
    if (!win::fileExists(globals.UnsignedPdfPath)) {
        showError("Local unsigned PDF file is missing!");
        return false;
    }
    if (HasControlLine(globals.UnsignedPdfPath) == 0) {
        showError("Control data missing in PDF file.  Document already signed?");
        return false;
    }
    return PdfSigner(strokes).run();
}
