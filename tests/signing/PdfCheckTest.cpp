#include "signing/PdfCheck.h"
#include "SamplePdf.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::string stream(const std::string& dictionary, const std::string& data)
{
    return "<< /Length " + std::to_string(data.size()) + dictionary + " >>\nstream\n" + data + "\nendstream";
}

std::vector<std::string> pageWith(const std::string& contents)
{
    return {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>", contents};
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

// The check the signer makes of what it wrote, held against qpdf's command line on the same document:
// what the check passes qpdf passes without a warning, and each kind of damage fails both.
TEST(PdfCheck, AgreesWithQpdf)
{
    const std::string sound = testing_support::pdfOfObjects(pageWith(stream("", "q 1 0 0 RG 10 10 m 100 100 l S Q")));
    const std::size_t page = sound.find("3 0 obj");
    struct Row {
        const char* id;
        std::string document;
        bool sound;
        bool qpdfSound = sound; // qpdf's command line decodes images too
    };
    const Row rows[] = {
        {"sound", sound, true},
        {"stream length one short", replaced(sound, "/Length 32", "/Length 31"), false},
        {"entry pointing at another object",
         replaced(sound, "\n" + std::string(10 - std::to_string(page).size(), '0') + std::to_string(page),
                  "\n0000000009"),
         false},
        {"entry pointing into an object",
         replaced(sound, "\n" + std::string(10 - std::to_string(page).size(), '0') + std::to_string(page),
                  "\n" + std::string(10 - std::to_string(page + 3).size(), '0') + std::to_string(page + 3)),
         false},
        {"size one too many", replaced(sound, "/Size 5", "/Size 6"), false},
        {"root naming a missing object", replaced(sound, "/Root 1 0 R", "/Root 7 0 R"), false},
        {"startxref beside the table", replaced(sound, "startxref\n", "startxref\n1"), false},
        {"encoded stream that does not decode",
         testing_support::pdfOfObjects(pageWith(stream(" /Filter /FlateDecode", "q 1 0 0 RG 10 10 m 100 100 l S Q"))),
         false},
        {"contents ending inside a string", testing_support::pdfOfObjects(pageWith(stream("", "BT (unclosed Tj ET"))),
         false},
        {"update after the table", sound + "trailer\n<< /Size 5 /Root 1 0 R /Prev 9 >>\nstartxref\n9\n%%EOF\n", false},
        // An image's data is copied into a signed document as it stands and is not decoded.
        {"image that does not decode",
         testing_support::pdfOfObjects(
             {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /XObject << /Im 5 0 "
              "R "
              ">> >> >>",
              stream("", "q 10 0 0 10 0 0 cm /Im Do Q"),
              stream(" /Type /XObject /Subtype /Image /Width 9 /Height 9 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                     "/Filter /DCTDecode",
                     "\xff\xd8\xff\xe0 no picture")}),
         true, false},
    };
    QTemporaryDir folder;
    for (const Row& row : rows) {
        const std::string path = folder.filePath("check.pdf").toStdString();
        std::ofstream(path, std::ios::binary) << row.document;
        QProcess qpdf;
        qpdf.start("qpdf", {"--check", QString::fromStdString(path)});
        ASSERT_TRUE(qpdf.waitForFinished(60000)) << row.id;
        EXPECT_EQ(qpdf.exitCode() == 0, row.qpdfSound) << row.id << ": qpdf says otherwise";
        EXPECT_EQ(PdfIsSound(row.document), row.sound) << row.id;
        EXPECT_EQ(PdfFileIsSound(path), row.sound) << row.id;
        EXPECT_EQ(PdfPassesQpdfCheck(row.document), row.qpdfSound) << row.id;
    }
}

// The comparison that holds a signed document to its source: the signed stream's data and length and
// the date and producer may change, nothing else; stream data counts as well as dictionaries.
TEST(PdfCheck, ObjectsDifferAsAReaderResolvesThem)
{
    const std::string block = "0 J 0 j 0.8 w 10 M []0 d\n10 10 m \n20 20 l \nS\nQ\n";
    const auto document = [&](const std::string& contents, const std::string& font, const std::string& info,
                              const std::string& image) {
        return testing_support::pdfOfObjects(
            {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R "
             ">> /XObject << /Im 6 0 R >> >> >>",
             stream("", contents), font,
             stream(" /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
                    image),
             info},
            " /Info 7 0 R");
    };
    const std::string helvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    const std::string info = "<< /Title (INVOICE) /ModDate (D:2024) /Producer (host) >>";
    const std::string source = document("q\n%SRP\n", helvetica, info, "a");
    struct Row {
        const char* id;
        std::string output;
        std::string difference; // its start; "" for none
    };
    const Row rows[] = {
        {"the signature and the new date and producer",
         document("q\n" + block, helvetica, "<< /Title (INVOICE) /ModDate (D:2011) /Producer (Stylara) >>", "a"), ""},
        {"another font", document("q\n" + block, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>", info, "a"),
         "object 5 0 differs"},
        {"another title",
         document("q\n" + block, helvetica, "<< /Title (TOTAL) /ModDate (D:2024) /Producer (host) >>", "a"),
         "object 7 0 differs"},
        {"a date added", document("q\n" + block, helvetica, "<< /Title (INVOICE) /ModDate (D:2024) >>", "a"),
         "object 7 0 gained or lost /Producer"},
        {"other image data", document("q\n" + block, helvetica, info, "b"), "object 6 0's data differs"},
        {"no signature on the page", document("q\n", helvetica, info, "a"),
         "no page of the signed document draws the signature"},
    };
    for (const Row& row : rows) {
        const std::string found = PdfObjectsDiffer(source, row.output, {-1, block});
        EXPECT_EQ(found.substr(0, row.difference.size()), row.difference) << row.id << ": " << found;
        EXPECT_EQ(found.empty(), row.difference.empty()) << row.id << ": " << found;
    }
}
