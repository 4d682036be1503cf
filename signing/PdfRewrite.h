#pragma once

#include "PdfCheck.h"
#include "StrokePath.h"

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The byte-level half of signing a host PDF: finding the control line, and rewriting the document
// with the strokes in its place. It reads and writes through the two interfaces below, so the same
// code runs on files and on bytes in memory, and it shows nothing: every message comes back as a value
// for the caller to put in a box.

// A document read by position; what view() gives stays valid until the next call.
class PdfInput {
public:
    virtual ~PdfInput() = default;
    // Up to size bytes from offset, fewer only at the end of the document; empty at or past the end.
    virtual std::span<const char> view(long long offset, std::size_t size) = 0;
    // The document's length in bytes.
    virtual long long size() = 0;
};

class PdfOutput {
public:
    virtual ~PdfOutput() = default;
    // False when the bytes could not all be written.
    virtual bool write(std::string_view bytes) = 0;
};

class MemoryPdfInput final : public PdfInput {
public:
    explicit MemoryPdfInput(std::string_view bytes) : m_bytes(bytes) {}
    std::span<const char> view(long long offset, std::size_t size) override;
    long long size() override;

private:
    std::string_view m_bytes;
};

class StringPdfOutput final : public PdfOutput {
public:
    explicit StringPdfOutput(std::string& bytes) : m_bytes(bytes) {}
    bool write(std::string_view bytes) override
    {
        m_bytes.append(bytes);
        return true;
    }

private:
    std::string& m_bytes;
};

// True when the document holds a control line: read in pieces of at most 2039 bytes, each ending after
// an LF where one comes first, a piece that begins with "%SRP" and ends with LF.
bool FindControlLine(PdfInput& input);

// One message box the rewrite asks for.
struct PdfMessage {
    std::string text;
    std::string caption;
    bool operator==(const PdfMessage&) const = default;
};

// The rewrite of a document with a control line, in three steps with their own files between them: the
// copy up to the marker, the reading of the control line, and the rest after it; then the check of
// what was written. Each step answers false on a failure, whose message is then the last of
// messages(); the messages before it (the notices that let the rewrite go on) come in the order they
// arose.
class PdfRewrite {
public:
    PdfRewrite(const SigStrokes& strokes, std::string modDate);
    ~PdfRewrite();

    // Copies the source up to the marker "%SRP", which is left out.
    bool copyToMarker(PdfInput& source, PdfOutput& target);
    // Reads the control line from the marker on and checks its fields against the source.
    bool readControlLine(PdfInput& source);
    // Writes the signature block and the rest of the document with its new offsets, length, date and
    // producer, and the rewritten table.
    bool writeRest(PdfOutput& target);
    // Takes the answer of the check of what was written; a document that fails it is refused.
    bool confirmWritten(SignedCheck check);
    // The stream the signature was written into, as the check of the written document finds it.
    SignedStream signedStream() const { return {m_newLength, m_block, m_sourceLength}; }

    const std::vector<PdfMessage>& messages() const { return m_messages; }

    // The offset of the table in the output, and the output offsets of the objects after the control line
    // in number order from the Length object's number.
    long long tableOffset() const { return m_tableOffset; }
    long long firstMovedObject() const { return m_lengthObject; }
    const std::vector<long long>& movedObjectOffsets() const { return m_offsets; }

private:
    class Lines;
    struct Syntax;
    struct TableEntry;
    // Where a number's headers stand in the source, and how many there are.
    struct Header {
        long long count = 0;
        long long offset = 0; // the last one's
        long long generation = 0;
        bool lineStart = false;
    };
    static bool readEntry(std::string_view line, TableEntry& entry);
    bool fail(std::string text);
    bool refuse(std::string_view code);
    bool write(PdfOutput& target, std::string_view bytes);
    bool nextLine(std::string_view& line, std::string_view atEnd);
    bool checkPiece(std::string_view line);
    bool wholeLine(std::string& text, std::string_view first);
    bool checkStreamStart(PdfInput& source, long long baseLength);
    bool copyObjects(PdfOutput& target);
    bool replaceValue(PdfOutput& target, std::string_view line, std::string_view key, std::string_view replacement,
                      long long object);
    bool headerAt(long long offset, long long number, long long generation);
    bool findAllHeaders(std::map<long long, Header>& headers);
    bool repairTable(std::vector<TableEntry>& entries);
    bool rewriteTable(PdfOutput& target);
    bool holdsUpdate(long long offset);
    bool readTrailer(std::string& trailer, long long& startxref);

    const SigStrokes& m_strokes;
    std::string m_modDate;
    PdfInput* m_source = nullptr;
    std::vector<PdfMessage> m_messages;
    std::string m_block; // the signature block
    std::unique_ptr<Lines> m_lines;
    std::unique_ptr<Syntax> m_syntax;
    std::vector<long long> m_datedObjects; // the objects whose date or producer was replaced
    long long m_written = 0;
    long long m_marker = 0;
    long long m_baseLength = 0;
    long long m_newLength = 0;
    long long m_sourceLength = -1; // where the stream's data ended in the source, from its start
    int m_boxX = 0;
    int m_boxY = 0;
    long long m_lengthReference = 0;
    long long m_lengthObject = 0;
    long long m_tableOffset = 0;
    long long m_sourceTable = -1;           // where the source's table begins
    std::vector<long long> m_offsets;       // the moved objects' headers in the output
    std::vector<long long> m_sourceOffsets; // and in the source
};

// The block that takes the control line's place: the style line, the strokes' path lines, "S" and "Q".
std::string SignatureBlock(int boxX, int boxY, const SigStrokes& strokes);

// The whole rewrite of a document in memory, as a signing from files would give it.
struct PdfSignResult {
    bool ok = false;
    std::string output; // what was written, also when the rewrite failed
    std::vector<PdfMessage> messages;
    // The objects the rewrite moved: their numbers from the first on, their count.
    long long firstMovedObject = 0;
    std::size_t movedObjects = 0;
    SignedStream stream; // where the signature went
};
PdfSignResult SignPdfBytes(std::string_view source, const SigStrokes& strokes, const std::string& modDate);
