#include "PdfCheck.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

class IgnoreContents final : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle) override {}
    void handleEOF() override {}
};

// Keeps the last bytes of what passes.
class Tail final : public Pipeline {
public:
    explicit Tail(std::size_t size) : Pipeline("tail", nullptr), m_size(size) {}
    void write(unsigned char const* data, size_t length) override
    {
        m_tail.append(reinterpret_cast<const char*>(data), length);
        if (m_tail.size() > 2 * m_size + 65536)
            m_tail.erase(0, m_tail.size() - m_size);
    }
    void finish() override {}
    std::string tail() const { return m_tail.size() > m_size ? m_tail.substr(m_tail.size() - m_size) : m_tail; }

private:
    std::size_t m_size;
    std::string m_tail;
};

// A 64-bit FNV-1a digest of what passes, with its length: two streams' data compared without either
// being held.
class Digest final : public Pipeline {
public:
    Digest() : Pipeline("digest", nullptr) {}
    void write(unsigned char const* data, size_t length) override
    {
        for (size_t i = 0; i < length; ++i)
            m_hash = (m_hash ^ data[i]) * 0x100000001b3ull;
        m_count += length;
    }
    void finish() override {}
    bool operator==(const Digest& other) const { return m_hash == other.m_hash && m_count == other.m_count; }
    std::size_t size() const { return m_count; }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325ull;
    std::size_t m_count = 0;
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

// The content streams a page draws, whether /Contents names one or an array of them.
std::vector<QPDFObjectHandle> contentStreams(QPDFPageObjectHelper& page)
{
    QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
    std::vector<QPDFObjectHandle> streams;
    if (contents.isStream())
        streams.push_back(contents);
    else if (contents.isArray())
        for (QPDFObjectHandle& item : contents.aitems())
            if (item.isStream())
                streams.push_back(item);
    return streams;
}

// The page content stream that holds the signature; a null handle when no page draws it.
QPDFObjectHandle findSigned(QPDF& pdf, const SignedStream& signedStream)
{
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
        for (QPDFObjectHandle& stream : contentStreams(page)) {
            QPDFObjectHandle length = stream.getDict().getKey("/Length");
            if (signedStream.length >= 0 && (!length.isInteger() || length.getIntValue() != signedStream.length))
                continue;
            Tail tail(signedStream.tail.size());
            if (stream.pipeStreamData(&tail, nullptr, 0, qpdf_dl_none, true, false) && tail.tail() == signedStream.tail)
                return stream;
        }
    return QPDFObjectHandle();
}

// An image's data is neither read nor decoded: a document's images are copied into the signed one
// as they stand, and decoding one takes memory that grows with its size.
bool isImage(QPDFObjectHandle& stream)
{
    QPDFObjectHandle dictionary = stream.getDict();
    if (dictionary.getKey("/Subtype").isNameAndEquals("/Image"))
        return true;
    QPDFObjectHandle filter = dictionary.getKey("/Filter");
    std::vector<QPDFObjectHandle> filters;
    if (filter.isArray())
        filters = filter.getArrayAsVector();
    else
        filters.push_back(filter);
    for (QPDFObjectHandle& name : filters)
        for (const char* imageFilter : {"/DCTDecode", "/JPXDecode", "/JBIG2Decode", "/CCITTFaxDecode"})
            if (name.isNameAndEquals(imageFilter))
                return true;
    return false;
}

// The data of a stream without filters is not read: once the stream's object has been read, its
// length is known to end at "endstream", and bytes that are not decoded cannot fail to decode. That
// keeps the check's time independent of the size of the document's images and fillers.
SignedCheck checkOpened(QPDF& pdf, const SignedStream* signedStream)
{
    if (!pdf.getRoot().isDictionary())
        return SignedCheck::Damaged;
    std::vector<QPDFObjectHandle> objects;
    for (const auto& [id, entry] : pdf.getXRefTable()) {
        objects.push_back(pdf.getObject(id));
        objects.back().getTypeCode(); // reads the object from where the table says it stands
    }
    if (pdf.anyWarnings())
        return SignedCheck::Damaged;
    if (signedStream) {
        if (pdf.isEncrypted())
            return SignedCheck::Filtered;
        QPDFObjectHandle found = findSigned(pdf, *signedStream);
        if (!found.isStream())
            return SignedCheck::OffPage;
        if (!found.getDict().getKey("/Filter").isNull() || !found.getDict().getKey("/DecodeParms").isNull())
            return SignedCheck::Filtered;
    }
    for (QPDFObjectHandle& object : objects) {
        if (!object.isStream() || object.getDict().getKey("/Filter").isNull() || isImage(object))
            continue;
        Pl_Discard discard;
        if (!object.pipeStreamData(&discard, nullptr, 0, qpdf_dl_all, true, false))
            return SignedCheck::Damaged;
    }
    return pagesAreSound(pdf) ? SignedCheck::Sound : SignedCheck::Damaged;
}

void openBytes(QPDF& pdf, std::string_view bytes) { pdf.processMemoryFile("document", bytes.data(), bytes.size()); }

std::string described(QPDFObjGen id) { return "object " + id.unparse(' '); }

// The object as text, its references as references, without the values the signing sets: the
// signed stream's length, and the date and producer of the document information.
std::string unparsed(QPDFObjectHandle object, const std::vector<const char*>& set)
{
    QPDFObjectHandle dictionary = object.isStream() ? object.getDict() : object;
    if (!dictionary.isDictionary() || set.empty())
        return dictionary.unparseResolved();
    QPDFObjectHandle copy = dictionary.shallowCopy();
    for (const char* key : set)
        if (copy.hasKey(key))
            copy.replaceKey(key, QPDFObjectHandle::newNull());
    return copy.unparse();
}

// With data false, streams are compared by their dictionaries alone.
std::string differ(QPDF& source, QPDF& output, const SignedStream& signedStream, bool data)
{
    QPDFObjectHandle signedObject = findSigned(output, signedStream);
    if (!signedObject.isStream())
        return "no page of the signed document draws the signature";
    const QPDFObjGen signedId = signedObject.getObjGen();
    const QPDFObjGen lengthId = signedObject.getDict().getKey("/Length").getObjGen();
    QPDFObjectHandle info = output.getTrailer().getKey("/Info");
    const QPDFObjGen infoId = info.isIndirect() ? info.getObjGen() : QPDFObjGen();
    if (source.getTrailer().unparse() != output.getTrailer().unparse())
        return "the trailers differ";
    if (signedStream.sourceLength >= 0) {
        // The data may end before the line feed, or the carriage return and line feed, before
        // "endstream".
        QPDFObjectHandle shown = source.getObject(signedId);
        Digest data;
        if (!shown.isStream() || !shown.pipeStreamData(&data, nullptr, 0, qpdf_dl_none, true, false) ||
            static_cast<long long>(data.size()) > signedStream.sourceLength ||
            static_cast<long long>(data.size()) < signedStream.sourceLength - 2)
            return "the source's stream ended elsewhere";
    }
    std::map<QPDFObjGen, QPDFObjectHandle> before, after;
    for (QPDFObjectHandle& object : source.getAllObjects())
        before[object.getObjGen()] = object;
    for (QPDFObjectHandle& object : output.getAllObjects())
        after[object.getObjGen()] = object;
    for (auto& [id, object] : after)
        if (!before.count(id) && !object.isNull())
            return described(id) + " is only in the signed document";
    for (auto& [id, object] : before) {
        if (!after.count(id)) {
            if (object.isNull())
                continue;
            return described(id) + " is only in the source";
        }
        QPDFObjectHandle copy = after[id];
        if (id == lengthId) {
            if (!copy.isInteger())
                return "the signed stream's length is no number";
            continue;
        }
        const std::vector<const char*> set = id == infoId     ? std::vector<const char*>{"/ModDate", "/Producer"}
                                             : id == signedId ? std::vector<const char*>{"/Length"}
                                                              : std::vector<const char*>{};
        if (object.isStream() != copy.isStream() || unparsed(object, set) != unparsed(copy, set))
            return described(id) + " differs";
        if (id == infoId)
            for (const char* key : {"/ModDate", "/Producer"})
                if (object.isDictionary() && object.hasKey(key) != copy.hasKey(key))
                    return described(id) + " gained or lost " + key;
        if (!data || !object.isStream() || id == signedId)
            continue;
        Digest was, is;
        const bool read = object.pipeStreamData(&was, nullptr, 0, qpdf_dl_none, true, false);
        if (copy.pipeStreamData(&is, nullptr, 0, qpdf_dl_none, true, false) != read || !(was == is))
            return described(id) + "'s data differs";
    }
    return "";
}

using Open = std::function<void(QPDF&)>;

// The source is read as a reader would, repairing it where it must.
std::string differOpened(const Open& openSource, QPDF& output, const SignedStream& stream, bool data)
{
    QPDF source;
    quiet(source);
    try {
        openSource(source);
    } catch (const std::exception& e) {
        return std::string("the source does not open: ") + e.what();
    }
    try {
        return differ(source, output, stream, data);
    } catch (const std::exception& e) {
        return std::string("the comparison failed: ") + e.what();
    }
}

std::string differOpened(const Open& openSource, const Open& openOutput, const SignedStream& stream)
{
    QPDF output;
    quiet(output);
    try {
        output.setAttemptRecovery(false);
        openOutput(output);
    } catch (const std::exception& e) {
        return std::string("the signed document does not open: ") + e.what();
    }
    return differOpened(openSource, output, stream, true);
}

// The check of a document; of a signed one with its stream, and compared with its source where one
// is given.
SignedCheck check(const Open& open, const SignedStream* signedStream, const Open& openSource = {})
{
    try {
        QPDF pdf;
        quiet(pdf);
        pdf.setAttemptRecovery(false);
        open(pdf);
        const SignedCheck found = checkOpened(pdf, signedStream);
        if (found != SignedCheck::Sound || !openSource || !signedStream)
            return found;
        return differOpened(openSource, pdf, *signedStream, false).empty() ? found : SignedCheck::Changed;
    } catch (const std::exception&) {
        return SignedCheck::Damaged;
    }
}

} // namespace

bool PdfIsSound(std::string_view bytes)
{
    return check([&](QPDF& pdf) { openBytes(pdf, bytes); }, nullptr) == SignedCheck::Sound;
}

bool PdfFileIsSound(const std::string& nativePath)
{
    return check([&](QPDF& pdf) { pdf.processFile(nativePath.c_str()); }, nullptr) == SignedCheck::Sound;
}

SignedCheck CheckSignedPdf(std::string_view bytes, const SignedStream& stream, std::string_view source)
{
    return check([&](QPDF& pdf) { openBytes(pdf, bytes); }, &stream, [&](QPDF& pdf) { openBytes(pdf, source); });
}

SignedCheck CheckSignedPdfFile(const std::string& nativePath, const SignedStream& stream, const std::string& sourcePath)
{
    return check([&](QPDF& pdf) { pdf.processFile(nativePath.c_str()); }, &stream,
                 [&](QPDF& pdf) { pdf.processFile(sourcePath.c_str()); });
}

bool PdfPassesQpdfCheck(std::string_view bytes)
{
    try {
        QPDF pdf;
        quiet(pdf);
        openBytes(pdf, bytes);
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

bool PdfPageDraws(std::string_view bytes, int object)
{
    try {
        QPDF pdf;
        quiet(pdf);
        openBytes(pdf, bytes);
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
            for (QPDFObjectHandle& stream : contentStreams(page))
                if (stream.getObjectID() == object)
                    return true;
    } catch (const std::exception&) {
    }
    return false;
}

std::string PdfObjectsDiffer(std::string_view source, std::string_view output, const SignedStream& stream)
{
    return differOpened([&](QPDF& pdf) { openBytes(pdf, source); }, [&](QPDF& pdf) { openBytes(pdf, output); }, stream);
}

std::string PdfFileObjectsDiffer(const std::string& sourcePath, const std::string& outputPath,
                                 const SignedStream& stream)
{
    return differOpened([&](QPDF& pdf) { pdf.processFile(sourcePath.c_str()); },
                        [&](QPDF& pdf) { pdf.processFile(outputPath.c_str()); }, stream);
}
