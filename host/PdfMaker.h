#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The host's PDF maker: a one-page PDF in the layout the host produces, with the "%SRP" control line
// in the page's content stream.
namespace host {

// An image drawn on the page before the signature box: its dictionary entries after /Subtype /Image
// (size, colour space, filter), and the file its encoded data is copied from as the PDF is written.
struct PdfImage {
    std::string dictionary;
    std::string dataPath;
};

struct PdfOptions {
    int boxX = 100; // the signature box, as the control line gives it
    int boxY = 200;
    std::vector<std::string> textLines = {"INVOICE 100", "Norvane Corvix test document"};
    std::uint64_t fillerBytes = 0; // extra content before the control line, for large documents
    bool controlLine = true;       // false: a PDF as it stands once signed, without the marker
    int paddingObjects = 0;        // small objects before the page content, raising the numbers after it
    std::vector<PdfImage> images;  // drawn side by side along the page's foot
};

// Streams the PDF; memory does not grow with fillerBytes or the images. The filler is a data stream of binary bytes
// (carriage returns, NUL and 0x1A among them) that never holds the marker "%SRP".
void WriteHostPdf(std::ostream& out, const PdfOptions& options);
std::string MakeHostPdf(const PdfOptions& options);

} // namespace host
