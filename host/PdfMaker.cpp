#include "PdfMaker.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

namespace host {

namespace {

// Writes to the stream and counts the bytes, for the cross-reference table.
class CountingWriter {
public:
    explicit CountingWriter(std::ostream& out) : m_out(out) {}

    void put(std::string_view bytes)
    {
        m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_offset += bytes.size();
    }

    // Starts the next object in number order and notes where its header stands.
    int beginObject()
    {
        m_offsets.push_back(m_offset);
        const int number = static_cast<int>(m_offsets.size());
        put(std::to_string(number) + " 0 obj\n");
        return number;
    }

    int nextNumber() const { return static_cast<int>(m_offsets.size()) + 1; }
    std::uint64_t offset() const { return m_offset; }
    const std::vector<std::uint64_t>& offsets() const { return m_offsets; }

private:
    std::ostream& m_out;
    std::uint64_t m_offset = 0;
    std::vector<std::uint64_t> m_offsets;
};

std::string format(const char* pattern, auto... values)
{
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, pattern, values...)), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, values...);
    return text;
}

std::string pdfText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// Pseudo-random bytes of every value, with any "%SR" followed by "P" broken up, so the filler never
// passes for the marker.
void writeFiller(CountingWriter& writer, std::uint64_t size)
{
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::string chunk;
    chunk.reserve(65536);
    char last[3] = {};
    for (std::uint64_t done = 0; done < size;) {
        chunk.clear();
        while (chunk.size() < 65536 && done < size) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            char c = static_cast<char>(state >> 56);
            if (c == 'P' && last[0] == '%' && last[1] == 'S' && last[2] == 'R')
                c = 'p';
            last[0] = last[1];
            last[1] = last[2];
            last[2] = c;
            chunk += c;
            ++done;
        }
        writer.put(chunk);
    }
}

// The page's drawing: the text, the signature box, then the saved state in which the signature is
// drawn; the control line and its three lines (a prompt inside the box) close the stream. Gives the
// length of the stream's data.
std::uint64_t writeContent(CountingWriter& writer, const PdfOptions& options, int lengthObject)
{
    std::string before;
    for (std::size_t i = 0; i < options.images.size(); ++i)
        before += format("q 100 0 0 100 %zu 20 cm /Im%zu Do Q\n", 20 + 110 * i, i + 1);
    before += "BT\n/F1 14 Tf\n72 740 Td\n";
    for (std::size_t i = 0; i < options.textLines.size(); ++i)
        before += (i ? "0 -18 Td\n(" : "(") + pdfText(options.textLines[i]) + ") Tj\n";
    before += "ET\n";
    const int left = options.boxX - 25;
    const int bottom = options.boxY - 25;
    before += format("q\n0.5 w 0.6 G 0.6 g\n%d %d 290 102 re S\nBT\n/F1 8 Tf\n%d %d Td\n(Signature) Tj\nET\nQ\n", left,
                     bottom, left, bottom - 10);
    before += "q\n";
    std::string after;
    if (options.controlLine) {
        after = format("%%SRP%010zu%03d%03d\n", before.size(), options.boxX, options.boxY);
        after += "0.6 g\n";
        after += format("BT /F1 10 Tf %d %d Td (Please sign here) Tj ET\n", left + 90, bottom + 45);
    }
    after += "Q\n";
    writer.put(format("<< /Length %d 0 R >>\nstream\n", lengthObject));
    writer.put(before);
    writer.put(after);
    writer.put("endstream\nendobj\n");
    return before.size() + after.size();
}

} // namespace

void WriteHostPdf(std::ostream& out, const PdfOptions& options)
{
    CountingWriter writer(out);
    writer.put("%PDF-1.4\n% Norvane Corvix 4.2\n% Halvenor Software\n");
    writer.beginObject();
    writer.put("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    writer.beginObject();
    writer.put("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
    writer.beginObject();
    const int padding = options.paddingObjects > 0 ? options.paddingObjects : 0;
    const int firstImage = 5 + padding;
    const int images = static_cast<int>(options.images.size());
    const int content = firstImage + images + (options.fillerBytes ? 1 : 0);
    std::string imageNames;
    for (int i = 0; i < images; ++i)
        imageNames += format(" /Im%d %d 0 R", i + 1, firstImage + i);
    writer.put(format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R\n"
                      "/Resources << /Font << /F1 4 0 R >>%s >> >>\nendobj\n",
                      content, images ? (" /XObject <<" + imageNames + " >>").c_str() : ""));
    writer.beginObject();
    writer.put("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>\nendobj\n");
    for (int i = 0; i < padding; ++i) {
        writer.beginObject();
        writer.put(format("<< /Padding %d >>\nendobj\n", i + 1));
    }
    for (const PdfImage& image : options.images) {
        std::ifstream data(image.dataPath, std::ios::binary | std::ios::ate);
        const auto length = static_cast<unsigned long long>(data.tellg());
        data.seekg(0);
        writer.beginObject();
        writer.put(
            format("<< /Type /XObject /Subtype /Image %s /Length %llu >>\nstream\n", image.dictionary.c_str(), length));
        std::string chunk(1 << 16, '\0');
        while (data.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || data.gcount() > 0)
            writer.put(std::string_view(chunk.data(), static_cast<std::size_t>(data.gcount())));
        writer.put("\nendstream\nendobj\n");
    }
    if (options.fillerBytes) {
        // Stands where a scanned attachment would; the page does not draw it.
        writer.beginObject();
        writer.put(format("<< /Length %llu >>\nstream\n", static_cast<unsigned long long>(options.fillerBytes)));
        writeFiller(writer, options.fillerBytes);
        writer.put("\nendstream\nendobj\n");
    }
    writer.beginObject();
    const std::uint64_t dataLength = writeContent(writer, options, content + 1);
    writer.beginObject();
    writer.put(format("%llu\nendobj\n", static_cast<unsigned long long>(dataLength)));
    const int info = writer.beginObject();
    writer.put("<<\n/Title (" + pdfText(options.textLines.empty() ? "" : options.textLines.front()) +
               ")\n/Creator (Norvane Corvix)\n/Producer (Norvane Corvix PDF writer 4.2)\n"
               "/CreationDate (D:20240115093000-05'00')\n/ModDate (D:20240115093000-05'00')\n>>\nendobj\n");

    const std::uint64_t table = writer.offset();
    const std::size_t count = writer.offsets().size() + 1;
    writer.put(format("xref\n0 %zu\n0000000000 65535 f \n", count));
    for (const std::uint64_t offset : writer.offsets())
        writer.put(format("%010llu 00000 n \n", static_cast<unsigned long long>(offset)));
    writer.put(format("trailer\n<< /Size %zu /Root 1 0 R /Info %d 0 R >>\nstartxref\n%llu\n%%%%EOF\n", count, info,
                      static_cast<unsigned long long>(table)));
}

std::string MakeHostPdf(const PdfOptions& options)
{
    std::ostringstream out;
    WriteHostPdf(out, options);
    return out.str();
}

} // namespace host
