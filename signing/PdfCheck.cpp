#include "PdfCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>

namespace {

class IgnoreContents final : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle) override {}
    void handleEOF() override {}
};

// The data of a stream without filters is not read: once the stream's object has been read, its
// length is known to end at "endstream", and bytes that are not decoded cannot fail to decode. That
// keeps the check's time independent of the size of the document's images and fillers.
bool checkOpened(QPDF& pdf)
{
    if (!pdf.getRoot().isDictionary())
        return false;
    for (const auto& [id, entry] : pdf.getXRefTable()) {
        QPDFObjectHandle object = pdf.getObject(id);
        object.getTypeCode(); // reads the object from where the table says it stands
        if (!object.isStream())
            continue;
        QPDFObjectHandle filter = object.getDict().getKey("/Filter");
        if (filter.isNull())
            continue;
        Pl_Discard discard;
        if (!object.pipeStreamData(&discard, nullptr, 0, qpdf_dl_all, true, false))
            return false;
    }
    IgnoreContents contents;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
        page.parseContents(&contents);
    return !pdf.anyWarnings();
}

template <typename Open> bool check(const Open& open)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        open(pdf);
        return checkOpened(pdf);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

bool PdfIsSound(std::string_view bytes)
{
    return check([&](QPDF& pdf) { pdf.processMemoryFile("document", bytes.data(), bytes.size()); });
}

bool PdfFileIsSound(const std::string& nativePath)
{
    return check([&](QPDF& pdf) { pdf.processFile(nativePath.c_str()); });
}
