#include "PdfMaker.h"

#include <sstream>
#include <stdexcept>

namespace host {

void WriteHostPdf(std::ostream&, const PdfOptions&) { throw std::logic_error("the PDF maker is not built yet"); }

std::string MakeHostPdf(const PdfOptions& options)
{
    std::ostringstream out;
    WriteHostPdf(out, options);
    return out.str();
}

} // namespace host
