#pragma once

#include <string>
#include <string_view>

// Whether a PDF opens as a strict reader demands: its table read as it stands, with no repair, every
// object it lists found where it says, the catalog and page tree whole, every page's contents parsed
// and every encoded stream decoded, all without a single warning. A document that passes here passes
// qpdf's own check as well.
bool PdfIsSound(std::string_view bytes);
bool PdfFileIsSound(const std::string& nativePath);

// qpdf's own check as its command line makes it, repairs allowed but counted as warnings: the whole
// document written out with every stream decoded. Slower than the check above, which it stands
// beside as a second opinion.
bool PdfPassesQpdfCheck(std::string_view bytes);
