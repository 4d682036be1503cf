// Feeds the PDF signer a host document with a fixed signature and holds it to its promise: a document
// it calls signed is the source object for object with the signature on its page, sound wherever the
// source was, with a startxref that leads to its table and an entry for each moved object that leads
// to that object's header; a sound document in the host's layout is signed; a refusal says why.
#include "signing/PdfPromise.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const PdfSignResult result = SignPdfBytes(source, Signature, "20110912083015-04'00'");
    const std::string broken = BrokenPromise(source, result);
    require(broken.empty(), broken.c_str());
    if (result.ok)
        checkTable(result);
    return 0;
}
