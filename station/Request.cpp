#include "Request.h"

#include <algorithm>

namespace {

char column(const std::string& text, size_t number) { return text.size() >= number ? text[number - 1] : '\0'; }

// A "0" or "1" column into flag; false for anything else.
bool digitColumn(const std::string& text, size_t number, bool& flag)
{
    const char c = column(text, number);
    flag = c == '1';
    return c == '0' || c == '1';
}

} // namespace

HostRequest ParseHostRequest(const std::string& text)
{
    HostRequest request;
    if (text.compare(0, 5, "TBCR ") == 0)
        request.kind = HostRequest::Kind::Signature;
    else if (text.compare(0, 5, "TBTR ") == 0)
        request.kind = HostRequest::Kind::View;
    else
        return request;

    const char station = column(text, 6);
    if (station != 'Y' && station != 'N') {
        request.refusal = "Stylara UNIX software requires updating! (1)";
        return request;
    }
    request.useComputerName = station == 'Y';
    size_t hostColumn = 7;
    if (request.kind == HostRequest::Kind::Signature) {
        if (!digitColumn(text, 7, request.fetchText)) {
            request.refusal = "Stylara UNIX software requires updating! (2)";
            return request;
        }
        if (!digitColumn(text, 8, request.fetchPdf)) {
            request.refusal = "Stylara UNIX software requires updating! (2b)";
            return request;
        }
        hostColumn = 9;
    }
    const size_t start = std::min(hostColumn - 1, text.size());
    const size_t blank = text.find(' ', start);
    if (blank == std::string::npos) {
        request.dropped = true;
        return request;
    }
    request.host = text.substr(start, blank - start);
    request.rest = text.substr(blank + 1);
    return request;
}
