#pragma once

#include <string>
#include <string_view>

// Whether a PDF opens as a strict reader demands: its table read as it stands, with no repair, every
// object it lists found where it says, the catalog and page tree whole, every page's contents parsed
// and every encoded stream other than an image decoded, all without a single warning.
bool PdfIsSound(std::string_view bytes);
bool PdfFileIsSound(const std::string& nativePath);

// The content stream a signature went into, as a signed document is searched for it: the page
// content stream whose data is length bytes long (any, where length is negative) and ends with tail.
struct SignedStream {
    long long length = 0;
    std::string tail;
    // Where the stream's data ended in the source, counted from its start: a reader of the source that
    // took the data to end elsewhere showed the signer other content. Negative: not checked.
    long long sourceLength = -1;
};

// What the check of a signed document found: sound, with the signature drawn by a page and every
// dictionary and array as in the source; damaged; with the signature in a stream a reader decodes
// (or decrypts), or in one no page draws; or showing another object than the source did, its signed
// stream ending elsewhere included. Other streams' data is not compared: the rewrite copies it as it
// stands.
enum class SignedCheck { Sound, Damaged, Filtered, OffPage, Changed };
SignedCheck CheckSignedPdf(std::string_view bytes, const SignedStream& stream, std::string_view source);
SignedCheck CheckSignedPdfFile(const std::string& nativePath, const SignedStream& stream,
                               const std::string& sourcePath);

// qpdf's own check as its command line makes it, repairs allowed but counted as warnings: the whole
// document written out with every stream decoded. Slower than the check above, which it stands
// beside as a second opinion.
bool PdfPassesQpdfCheck(std::string_view bytes);

// Whether a page of the document, as qpdf reads it, draws the object among its contents.
bool PdfPageDraws(std::string_view bytes, int object);

// The first difference between a source and its signed copy as a reader resolves them, object by
// object number (dictionaries, arrays, the raw data of streams) and in the trailer, leaving out the
// signed stream's data (but for where it ended in the source, where that is given), its length's value
// and the /ModDate and /Producer values of the document information; empty when there is none. The
// source is read as a reader would, repairing it where it must; stream data is compared as it passes,
// so memory does not grow with it.
std::string PdfObjectsDiffer(std::string_view source, std::string_view output, const SignedStream& stream);
std::string PdfFileObjectsDiffer(const std::string& sourcePath, const std::string& outputPath,
                                 const SignedStream& stream);
