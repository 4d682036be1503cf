#include "host/PdfMaker.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

int qpdfCheck(const std::string& pdf)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/host.pdf";
    std::ofstream(path, std::ios::binary) << pdf;
    return testing_support::qpdfCheck(path);
}

std::string lineAt(const std::string& text, std::size_t position)
{
    return text.substr(position, text.find('\n', position) + 1 - position);
}

} // namespace

TEST(PdfMaker, ValidInEveryShape)
{
    struct Row {
        const char* id;
        host::PdfOptions options;
    };
    host::PdfOptions filler;
    filler.fillerBytes = 100000;
    host::PdfOptions padded;
    padded.paddingObjects = 40;
    padded.boxX = 5;
    padded.boxY = 999;
    host::PdfOptions plain;
    plain.controlLine = false;
    plain.textLines = {"(brackets) and \\ back slash"};
    const Row rows[] = {{"default", {}}, {"filler", filler}, {"padding objects", padded}, {"no control line", plain}};
    for (const Row& row : rows)
        EXPECT_EQ(qpdfCheck(host::MakeHostPdf(row.options)), 0) << row.id;
}

// What the signing station relies on in the host's documents.
TEST(PdfMaker, LayoutAroundTheControlLine)
{
    host::PdfOptions options;
    options.fillerBytes = 2000;
    options.boxX = 120;
    options.boxY = 45;
    const std::string pdf = host::MakeHostPdf(options);
    EXPECT_EQ(pdf.compare(0, 9, "%PDF-1.4\n"), 0);
    EXPECT_EQ(pdf.compare(9, 17, "% Norvane Corvix "), 0);
    EXPECT_EQ(pdf.compare(pdf.find('\n', 9) + 1, 11, "% Halvenor "), 0);

    const std::size_t control = pdf.find("\n%SRP") + 1;
    ASSERT_EQ(pdf.find("%SRP"), control) << "the marker appears only once";
    const std::string line = lineAt(pdf, control);
    ASSERT_EQ(line.size(), 21u);
    EXPECT_EQ(line.substr(14), "120045\n");
    const std::size_t data = pdf.rfind("stream\n", control) + 7;
    EXPECT_EQ(std::stoull(line.substr(4, 10)), control - data);

    // Three lines, then the end of the stream and the Length object, whose value is the data's length.
    std::size_t next = control + line.size();
    for (int i = 0; i < 3; ++i)
        next += lineAt(pdf, next).size();
    EXPECT_EQ(lineAt(pdf, next), "endstream\n");
    EXPECT_EQ(lineAt(pdf, next + 10), "endobj\n");
    const std::string header = lineAt(pdf, next + 17);
    EXPECT_EQ(header, "7 0 obj\n");
    EXPECT_EQ(pdf.compare(data - 27, 27, "<< /Length 7 0 R >>\nstream\n"), 0);
    EXPECT_EQ(lineAt(pdf, next + 17 + header.size()), std::to_string(next - data) + "\n");
    EXPECT_NE(pdf.find("\n/ModDate (", next), std::string::npos);
    EXPECT_NE(pdf.find("\n/Producer (", next), std::string::npos);

    options.controlLine = false;
    EXPECT_EQ(host::MakeHostPdf(options).find("%SRP"), std::string::npos);
}

TEST(PdfMaker, FillerIsBinaryWithoutTheMarker)
{
    host::PdfOptions options;
    options.fillerBytes = 4 << 20;
    const std::string pdf = host::MakeHostPdf(options);
    const std::size_t control = pdf.find("%SRP");
    const std::string filler = pdf.substr(0, control);
    for (const char c : {'\r', '\0', '\x1a', '%', '\xff'})
        EXPECT_NE(filler.find(c), std::string::npos) << static_cast<int>(c);
    EXPECT_EQ(pdf.find("%SRP", control + 1), std::string::npos);
    EXPECT_GT(pdf.size(), options.fillerBytes);
}
