// Feeds the PDF signer a host document with a fixed signature and holds it to its promise. A document
// it calls signed passes the strict check and qpdf's own (so a sound source never comes out damaged,
// nor does any other), keeps every byte of the source before the control line with the signature
// block and the stream's end after them, and has a startxref that leads to its table and an entry for
// each moved object that leads to that object's header. A refusal says why.
#include "signing/PdfCheck.h"
#include "signing/PdfRewrite.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const SigStrokes Signature = {
    {{100, 500}, {300, 150}, {500, 600}},
    {{500, 600}, {900, 300}},
};

void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "signer broke its promise: %s\n", what);
    std::abort();
}

long long number(std::string_view text)
{
    long long value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && digits < 18 && text[digits] >= '0' && text[digits] <= '9'; ++digits)
        value = value * 10 + (text[digits] - '0');
    return digits ? value : -1;
}

void checkTable(const PdfSignResult& result)
{
    const std::string_view out = result.output;
    const std::size_t start = out.rfind("startxref\n");
    require(start != std::string_view::npos, "no startxref");
    const long long table = number(out.substr(start + 10));
    require(table >= 0 && static_cast<std::size_t>(table) < out.size(), "startxref out of the file");
    require(out.substr(static_cast<std::size_t>(table), 5) == "xref\n", "startxref does not lead to xref");
    const std::size_t subsection = static_cast<std::size_t>(table) + 5;
    const std::size_t entries = out.find('\n', subsection);
    require(entries != std::string_view::npos, "no subsection line");
    for (std::size_t i = 0; i < result.movedObjects; ++i) {
        const long long object = result.firstMovedObject + static_cast<long long>(i);
        const std::size_t entry = entries + 1 + static_cast<std::size_t>(object) * 20;
        require(entry + 20 <= out.size(), "table too short for the moved objects");
        const long long offset = number(out.substr(entry, 10));
        const std::string header = std::to_string(object) + " 0 obj\n";
        require(offset >= 0 && out.substr(static_cast<std::size_t>(offset), header.size()) == header,
                "entry does not lead to its object");
    }
}

// The source up to its marker, then the signature block in the control line's box and the stream's end.
void checkContent(std::string_view source, const PdfSignResult& result)
{
    const std::size_t marker = source.find("%SRP");
    require(marker != std::string_view::npos, "signed without a marker");
    const std::string_view out = result.output;
    require(out.substr(0, marker) == source.substr(0, marker), "bytes before the marker changed");
    const std::string_view block = out.substr(marker);
    require(block.starts_with("0 J 0 j 0.8 w 10 M []0 d\n"), "no style line at the marker");
    const std::size_t end = block.find("S\nQ\n");
    require(end != std::string_view::npos && block.substr(end + 4).starts_with("endstream"),
            "signature block does not close the stream");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const PdfSignResult result = SignPdfBytes(source, Signature, "20110912083015-04'00'");
    if (result.ok) {
        require(PdfIsSound(result.output), "signed document fails the check");
        require(PdfPassesQpdfCheck(result.output), "signed document fails qpdf's own check");
        checkContent(source, result);
        checkTable(result);
    } else {
        require(!result.messages.empty(), "refused without a message");
        for (const PdfMessage& message : result.messages)
            require(!message.text.empty() && !message.caption.empty(), "empty message");
        require(result.messages.back().caption == "Error", "refusal's message is a notice");
    }
    return 0;
}
