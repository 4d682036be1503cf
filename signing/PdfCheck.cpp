#include "PdfCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <memory>

namespace {

class IgnoreContents final : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle) override {}
    void handleEOF() override {}
};

// Warnings are counted, not shown.
void quiet(QPDF& pdf)
{
    pdf.setSuppressWarnings(true);
    const std::shared_ptr<QPDFLogger> logger = QPDFLogger::create();
    const auto discard = std::make_shared<Pl_Discard>();
    logger->setInfo(discard);
    logger->setWarn(discard);
    logger->setError(discard);
    pdf.setLogger(logger);
}

// Every page's contents parse, a linearized document's hints still fit it, and nothing on the way
// gave a warning.
bool pagesAreSound(QPDF& pdf)
{
    if (pdf.isLinearized() && !pdf.checkLinearization())
        return false;
    IgnoreContents contents;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
        page.parseContents(&contents);
    return !pdf.anyWarnings();
}

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
    return pagesAreSound(pdf);
}

template <typename Open> bool check(const Open& open)
{
    try {
        QPDF pdf;
        quiet(pdf);
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

bool PdfPassesQpdfCheck(std::string_view bytes)
{
    try {
        QPDF pdf;
        quiet(pdf);
        pdf.processMemoryFile("document", bytes.data(), bytes.size());
        QPDFWriter writer(pdf);
        Pl_Discard discard;
        writer.setOutputPipeline(&discard);
        writer.setDecodeLevel(qpdf_dl_all);
        writer.write();
        return pagesAreSound(pdf);
    } catch (const std::exception&) {
        return false;
    }
}
