// Feeds the request dispatcher's reading of a request's bytes. Beyond "no crash", a request taken on splits into host
// and rest exactly at the first blank behind its columns, and a refused one names a column that really is wrong.
#include "station/Request.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool digit(char c) { return c == '0' || c == '1'; }

void checkRequest(const std::string& text)
{
    const HostRequest request = ParseHostRequest(text);
    const bool signature = text.compare(0, 5, "TBCR ") == 0;
    const bool view = text.compare(0, 5, "TBTR ") == 0;
    check((request.kind == HostRequest::Kind::Signature) == signature);
    check((request.kind == HostRequest::Kind::View) == view);
    if (!signature && !view)
        return;
    const bool stationColumn = text.size() > 5 && (text[5] == 'Y' || text[5] == 'N');
    const bool textColumn = text.size() > 6 && digit(text[6]);
    const bool pdfColumn = text.size() > 7 && digit(text[7]);
    const bool columnsGood = stationColumn && (view || (textColumn && pdfColumn));
    check((request.refusal == nullptr) == columnsGood);
    if (!columnsGood)
        return;
    check(request.useComputerName == (text[5] == 'Y'));
    const size_t hostColumn = signature ? 8 : 6;
    const size_t blank = text.find(' ', hostColumn);
    check(request.dropped == (blank == std::string::npos));
    if (request.dropped)
        return;
    check(request.Taken());
    check(request.host.find(' ') == std::string::npos);
    check(text.substr(hostColumn) == request.host + " " + request.rest);
    if (signature) {
        check(request.fetchText == (text[6] == '1'));
        check(request.fetchPdf == (text[7] == '1'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkRequest(text);
    return 0;
}
