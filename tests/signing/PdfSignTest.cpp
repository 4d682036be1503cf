#include "TestSupport.h"
#include "host/PdfMaker.h"
#include "signing/PdfPromise.h"
#include "signing/PdfRewrite.h"
#include "signing/Sig_pdf.h"
#include "station/Globals.h"
#include "ui/MessageBox.h"
#include "win/TimeZone.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

using testing_support::TempInstall;

namespace {

const std::string Unsigned = "C:\\Stylara\\Temp\\unsigned.pdf";
const std::string Signed = "C:\\Stylara\\Temp\\signed.pdf";
const std::string StyleLine = "0 J 0 j 0.8 w 10 M []0 d\n";

// Two strokes across the box, the second beginning where the first ended.
const SigStrokes Signature = {
    {{100, 500}, {300, 150}, {500, 600}, {700, 200}, {900, 550}},
    {{900, 550}, {1200, 300}, {1500, 650}, {1900, 100}},
};

int qpdfCheck(const std::string& path)
{
    QProcess qpdf;
    qpdf.start("qpdf", {"--check", QString::fromStdString(path)});
    qpdf.waitForFinished(120000);
    return qpdf.exitStatus() == QProcess::NormalExit ? qpdf.exitCode() : -1;
}

// The object offsets the cross-reference table gives, by object number, after checking that the
// startxref value leads to the table and each entry to its object's header.
std::vector<long long> crossReference(const std::string& pdf)
{
    const std::size_t start = pdf.rfind("startxref\n");
    if (start == std::string::npos) {
        ADD_FAILURE() << "no startxref";
        return {};
    }
    const std::size_t table = std::stoull(pdf.substr(start + 10));
    EXPECT_EQ(pdf.compare(table, 5, "xref\n"), 0) << "startxref does not point at the table";
    const std::size_t subsection = table + 5;
    const std::size_t count = std::stoull(pdf.substr(subsection + 2));
    std::size_t entry = pdf.find('\n', subsection) + 1;
    std::vector<long long> offsets;
    for (std::size_t number = 0; number < count; ++number, entry += 20) {
        const long long offset = std::stoll(pdf.substr(entry, 10));
        offsets.push_back(offset);
        if (pdf[entry + 17] == 'n') {
            const std::string header = std::to_string(number) + " 0 obj";
            EXPECT_EQ(pdf.compare(offset, header.size(), header), 0) << "entry of object " << number;
        }
    }
    return offsets;
}

std::string signatureBlock(int boxX, int boxY, const SigStrokes& strokes)
{
    return StyleLine + StrokePathLines(boxX, boxY, strokes) + "S\nQ\n";
}

// The document with every entry in use of its table, and its startxref, set to where the object or
// the table stands, as the host would have written them after an edit.
std::string withTableRepaired(std::string pdf)
{
    const std::size_t table = pdf.rfind("\nxref\n") + 1;
    const std::size_t trailer = pdf.find("trailer", table);
    std::size_t number = 0;
    for (std::size_t entry = pdf.find('\n', table + 5) + 1; entry + 20 <= trailer; entry += 20, ++number) {
        if (pdf[entry + 17] != 'n')
            continue;
        const std::size_t header = pdf.find("\n" + std::to_string(number) + " 0 obj\n");
        char offset[11];
        std::snprintf(offset, sizeof offset, "%010zu", header + 1);
        pdf.replace(entry, 10, offset);
    }
    const std::size_t start = pdf.rfind("startxref\n") + 10;
    pdf.replace(start, pdf.find('\n', start) - start, std::to_string(table));
    return pdf;
}

std::string replacedOnce(std::string text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The document with bytes put in after its header line.
std::string withBytesAfterHeader(const std::string& pdf, const std::string& bytes)
{
    const std::size_t header = pdf.find('\n') + 1;
    return withTableRepaired(pdf.substr(0, header) + bytes + pdf.substr(header));
}

class PdfSign : public ::testing::Test {
protected:
    PdfSign()
    {
        globals.TempDir = "C:\\Stylara\\Temp";
        globals.UnsignedPdfPath = Unsigned;
        globals.SignedPdfPath.clear();
        win::SYSTEMTIME now;
        now.wYear = 2011;
        now.wMonth = 9;
        now.wDay = 12;
        now.wHour = 8;
        now.wMinute = 30;
        now.wSecond = 15;
        win::setLocalTime(now);
        win::TIME_ZONE_INFORMATION zone;
        zone.Bias = 300;
        win::setTimeZoneInformation(zone);
    }
    ~PdfSign() override
    {
        win::setLocalTime(std::nullopt);
        win::setTimeZoneInformation(std::nullopt);
    }

    std::string signedFile() const { return install.read(Signed); }

    TempInstall install;
    ui::BoxRecorder boxes;
};

TEST_F(PdfSign, RewritesTheHostDocument)
{
    struct Row {
        const char* id;
        int paddingObjects;
        int lengthObject;
    };
    const Row rows[] = {{"Length object 7", 0, 7}, {"Length object 42", 35, 42}, {"Length object 107", 100, 107}};
    for (const Row& row : rows) {
        host::PdfOptions options;
        options.fillerBytes = 5000; // binary, carriage returns and NUL among it
        options.paddingObjects = row.paddingObjects;
        const std::string source = host::MakeHostPdf(options);
        install.write(Unsigned, source);
        ASSERT_TRUE(SignPdfFile(Signature)) << row.id;
        EXPECT_TRUE(boxes.boxes().empty()) << row.id;
        EXPECT_EQ(globals.SignedPdfPath, Signed);
        const std::string out = signedFile();

        const std::size_t marker = source.find("%SRP");
        EXPECT_EQ(out.compare(0, marker, source, 0, marker), 0) << row.id << ": bytes before the marker";
        const std::string block = signatureBlock(100, 200, Signature);
        EXPECT_EQ(out.substr(marker, block.size() + 10), block + "endstream\n") << row.id;

        // The new length counts the data before the control line and the block.
        const std::size_t data = out.rfind("stream\n", marker) + 7;
        const std::string header = "\n" + std::to_string(row.lengthObject) + " 0 obj\n";
        const std::size_t length = out.find(header, marker);
        ASSERT_NE(length, std::string::npos) << row.id;
        EXPECT_EQ(out.substr(length + header.size(), out.find('\n', length + header.size()) - length - header.size()),
                  std::to_string(marker + block.size() - data))
            << row.id;
        EXPECT_EQ(std::stoll(source.substr(marker + 4, 10)), static_cast<long long>(marker - data)) << row.id;

        EXPECT_NE(out.find("\n/ModDate (D:20110912083015-05'00')\n"), std::string::npos) << row.id;
        EXPECT_NE(out.find("\n/Producer (Norvane Stylara - Signature capture for UNIX)\n"), std::string::npos);
        EXPECT_EQ(out.find("Norvane Corvix PDF writer"), std::string::npos) << row.id;

        const std::vector<long long> before = crossReference(source);
        const std::vector<long long> after = crossReference(out);
        ASSERT_EQ(after.size(), before.size()) << row.id;
        for (int number = 0; number < row.lengthObject; ++number)
            EXPECT_EQ(after[number], before[number]) << row.id << ": object " << number << " moved";
        const std::size_t table = out.rfind("\nxref\n") + 1;
        EXPECT_EQ(out.substr(out.rfind("startxref\n")), "startxref\n" + std::to_string(table) + "\n%%EOF\n");
        EXPECT_EQ(qpdfCheck(install.native(Signed)), 0) << row.id;
        boxes.clear();
    }
}

TEST_F(PdfSign, SecondSigningIsRefused)
{
    install.write(Unsigned, host::MakeHostPdf({}));
    ASSERT_TRUE(SignPdfFile(Signature));
    const std::string once = signedFile();
    install.write(Unsigned, once);
    std::filesystem::remove(install.native(Signed));
    EXPECT_FALSE(SignPdfFile(Signature));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Control data missing in PDF file.  Document already signed?");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_FALSE(install.exists(Signed));
}

// Renders the signed page and finds the ink of the signature inside the box and nowhere else but in
// the page's text at the top.
TEST_F(PdfSign, SignatureShowsInsideItsBox)
{
    host::PdfOptions options;
    options.boxX = 300;
    options.boxY = 150;
    install.write(Unsigned, host::MakeHostPdf(options));
    ASSERT_TRUE(SignPdfFile(Signature));
    ASSERT_EQ(qpdfCheck(install.native(Signed)), 0);

    // Kept in the build folder for a person to look at.
    const std::string picture = std::string(STYLARA_BUILD_DIR) + "/tests/signing/signed-page";
    QProcess render;
    render.start("pdftoppm", {"-png", "-gray", "-r", "144", "-singlefile",
                              QString::fromStdString(install.native(Signed)), QString::fromStdString(picture)});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(QString::fromStdString(picture + ".png"));
    ASSERT_EQ(page.size(), QSize(2 * 612, 2 * 792));
    // The box spans X - 25 to X + 265 across and Y - 25 to Y + 77 up the page, two pixels a point.
    const QRect box(2 * (300 - 25), 2 * (792 - (150 + 77)), 2 * 290, 2 * 102);
    int inside = 0;
    int stray = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                if (box.contains(x, y))
                    ++inside;
                else if (y > 240)
                    ++stray;
            }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(stray, 0);
}

TEST_F(PdfSign, MarkerScan)
{
    const std::string pdf = host::MakeHostPdf({});
    const std::string header = pdf.substr(0, pdf.find('\n') + 1);
    const std::string afterHeader = pdf.substr(header.size(), pdf.find("%SRP") - header.size());
    const std::string longLine(2038, 'a'); // its "%" and a "%SRP" at the start of the line's second piece
    const std::size_t block = 1 << 20;     // the size the source is copied in
    struct Row {
        const char* id;
        std::string source;
        std::string message;  // "" for success
        std::string inserted; // after the header line, when it signs
    };
    const auto row = [&](const char* id, const std::string& inserted) {
        return Row{id, withBytesAfterHeader(pdf, inserted), "", inserted};
    };
    const Row rows[] = {
        row("two percent signs hide the marker", "x%%SRP0000000001100200\n"),
        row("an attempt ends at the first differing byte", "%S%SRP0000000001100200\n"),
        row("carriage returns and binary kept", std::string("\r\n\0\x1a\xff%\r\n%", 9)),
        row("marker across two blocks of the copy", std::string(block - 2 - header.size() - afterHeader.size(), '\n')),
        row("attempt across two blocks of the copy", std::string(block - 2 - header.size(), 'a') + "%Sx\n"),
        {"marker inside earlier text is taken", "ab%SRPcd\n" + pdf, "Control data missing in source PDF file!", ""},
        {"end after %", longLine + "%%SRP0000000001100200\n%", "Unexpected EOF in input file! (1)", ""},
        {"end after %S", longLine + "%%SRP0000000001100200\n%S", "Unexpected EOF in input file! (2)", ""},
        {"end after %SR", longLine + "%%SRP0000000001100200\n%SR", "Unexpected EOF in input file! (3)", ""},
        {"end without a marker", longLine + "%%SRP0000000001100200\n", "Control data missing in source PDF file!", ""},
    };
    for (const Row& row : rows) {
        boxes.clear();
        install.write(Unsigned, row.source);
        const bool ok = SignPdfFile(Signature);
        EXPECT_EQ(ok, row.message.empty()) << row.id;
        if (row.message.empty()) {
            EXPECT_TRUE(boxes.boxes().empty()) << row.id;
            const std::string out = signedFile();
            const std::string written = header + row.inserted + afterHeader;
            EXPECT_EQ(out.substr(0, written.size()), written) << row.id;
            EXPECT_EQ(out.compare(written.size(), StyleLine.size(), StyleLine), 0) << row.id;
            EXPECT_EQ(qpdfCheck(install.native(Signed)), 0) << row.id;
        } else {
            ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
            EXPECT_EQ(boxes.boxes()[0].text, row.message) << row.id;
            EXPECT_EQ(boxes.boxes()[0].caption, "Error") << row.id;
            EXPECT_FALSE(install.exists(Signed)) << row.id << ": a half-written copy is left";
        }
    }
}

TEST_F(PdfSign, ControlLineFields)
{
    std::string source = host::MakeHostPdf({});
    const std::size_t marker = source.find("%SRP");
    const std::string base = source.substr(marker + 4, 10);
    const long long baseLength = std::stoll(base);
    struct Row {
        std::string rest;
        std::string message; // "" when accepted
        int boxX;
        int boxY;
    };
    const Row rows[] = {
        {base + "100200", "", 100, 200},
        {base + "10020", "", 100, 20},
        {"   " + base.substr(3) + " 50  7", "", 50, 7},
        {base + "1002", "Control data missing in source PDF file!", 0, 0},
        // A field is read as a number: white space first, a sign, digits up to the first other
        // character, none at all reading 0.
        {"+" + base.substr(1) + "100200", "", 100, 200},
        {(std::to_string(baseLength) + "          ").substr(0, 10) + "50 7  ", "", 50, 7},
        {base + "   200", "", 0, 200},
        {base + "+-1200", "", 0, 200},
        {base + "1x0200", "", 1, 200},
        {base + "100-20", "", 100, -20},
        {base.substr(0, 7) + "abc100200", "Control data invalid in source PDF file! (C2)", 0, 0},
        {"-" + base.substr(1) + "100200", "Control data invalid in source PDF file! (C2)", 0, 0},
        {"9999999999100200", "Control data invalid in source PDF file! (C2)", 0, 0},
        {std::to_string(baseLength + 1000000000) + "100200", "Control data invalid in source PDF file! (C2)", 0, 0},
        {"0000000001100200", "Control data invalid in source PDF file! (C2)", 0, 0},
        {std::string(10 - std::to_string(baseLength - 1).size(), '0') + std::to_string(baseLength - 1) + "100200",
         "Control data invalid in source PDF file! (C2)", 0, 0},
    };
    const SigStrokes origin = {{{0, 0}}};
    for (const Row& row : rows) {
        boxes.clear();
        std::filesystem::remove(install.native(Signed));
        std::string changed = source;
        changed.replace(marker + 4, source.find('\n', marker) - marker - 4, row.rest);
        install.write(Unsigned, changed);
        EXPECT_EQ(SignPdfFile(origin), row.message.empty()) << row.rest;
        if (!row.message.empty()) {
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{row.message}) << row.rest;
            EXPECT_FALSE(install.exists(Signed)) << row.rest;
            continue;
        }
        const std::string block = signatureBlock(row.boxX, row.boxY, origin);
        const std::string out = signedFile();
        EXPECT_EQ(out.substr(marker, block.size()), block) << row.rest;
        EXPECT_NE(out.find("6 0 obj\n" + std::to_string(baseLength + static_cast<long long>(block.size())) + "\n"),
                  std::string::npos)
            << row.rest;
        EXPECT_EQ(qpdfCheck(install.native(Signed)), 0) << row.rest;
    }
}

TEST_F(PdfSign, LinesAfterTheControlLine)
{
    const std::string pdf = host::MakeHostPdf({});
    const std::size_t marker = pdf.find("%SRP");

    // Carriage returns from the control line on are dropped.
    std::string crlf = pdf.substr(0, marker);
    for (std::size_t i = marker; i < pdf.size(); ++i)
        crlf += pdf[i] == '\n' ? std::string("\r\n") : std::string(1, pdf[i]);
    install.write(Unsigned, crlf);
    ASSERT_TRUE(SignPdfFile(Signature));
    EXPECT_EQ(signedFile().find('\r', marker), std::string::npos);
    EXPECT_EQ(qpdfCheck(install.native(Signed)), 0);

    // Only a key followed by a blank at the start of its line is replaced; none is added.
    std::string keys = pdf;
    keys.replace(keys.find("/ModDate ("), 10, "/ModDate(");
    const std::size_t producer = keys.find("/Producer ");
    keys.erase(producer, keys.find('\n', producer) + 1 - producer);
    install.write(Unsigned, keys);
    ASSERT_TRUE(SignPdfFile(Signature));
    const std::string out = signedFile();
    EXPECT_NE(out.find("\n/ModDate(D:20240115093000-05'00')\n"), std::string::npos);
    EXPECT_EQ(out.find("/Producer"), std::string::npos);
    EXPECT_EQ(qpdfCheck(install.native(Signed)), 0);

    // A key's value is replaced; what follows it on the line stays.
    std::string crowded = pdf;
    crowded.insert(crowded.find('\n', crowded.find("/ModDate (")), " /Subject (kept)");
    crowded.insert(crowded.find('\n', crowded.find("/Producer (")), " /Keywords (kept too)");
    install.write(Unsigned, crowded);
    ASSERT_TRUE(SignPdfFile(Signature));
    const std::string whole = signedFile();
    EXPECT_NE(whole.find("\n/ModDate (D:20110912083015-05'00') /Subject (kept)\n"), std::string::npos);
    EXPECT_NE(whole.find("\n/Producer (Norvane Stylara - Signature capture for UNIX) /Keywords (kept too)\n"),
              std::string::npos);
    EXPECT_EQ(qpdfCheck(install.native(Signed)), 0);

    // A long line is one line wherever the pieces it is read in end: a key inside it is no key that
    // begins a line, and one that begins it has its whole value replaced.
    struct Row {
        const char* id;
        std::string source;
        std::string kept;
    };
    const std::string subject = "/Subject (" + std::string(108, 'x') + ")";
    const std::string hostDate = "/ModDate (D:20240115093000-05'00')";
    const std::string hostProducer = "/Producer (Norvane Corvix PDF writer 4.2)";
    const Row rows[] = {
        {"key where the second piece begins", replacedOnce(pdf, hostDate, subject + hostDate), subject + hostDate},
        {"value across the second piece", replacedOnce(pdf, hostProducer, "/Producer (" + std::string(130, 'p') + ")"),
         "\n/Producer (Norvane Stylara - Signature capture for UNIX)\n"},
        {"rest across the second piece", replacedOnce(pdf, hostDate, hostDate + " " + subject),
         "\n/ModDate (D:20110912083015-05'00') " + subject + "\n"},
    };
    for (const Row& row : rows) {
        install.write(Unsigned, withTableRepaired(row.source));
        ASSERT_TRUE(SignPdfFile(Signature)) << row.id;
        EXPECT_NE(signedFile().find(row.kept), std::string::npos) << row.id;
        EXPECT_EQ(qpdfCheck(install.native(Signed)), 0) << row.id;
    }
}

TEST_F(PdfSign, SourcesCutShort)
{
    const std::string pdf = host::MakeHostPdf({}); // objects 1 to 5 before the control line, 6 and 7 after it
    const std::size_t table = pdf.rfind("\nxref\n") + 1;
    const std::size_t entries = pdf.find('\n', table + 5) + 1;
    struct Row {
        const char* id;
        std::string source;
        std::vector<std::string> texts;
    };
    const Row rows[] = {
        {"no table", pdf.substr(0, table), {"Error reading from input PDF file for update! (X)"}},
        {"table ends within the kept entries",
         pdf.substr(0, entries + 3 * 20),
         {"Error reading from input PDF file for update! (X2)"}},
        {"table ends within the replaced entries",
         pdf.substr(0, entries + 7 * 20),
         {"Error reading from input PDF file for update! (X3)"}},
        {"no startxref", pdf.substr(0, pdf.rfind("startxref")), {"Error reading from input PDF file for update! (X4)"}},
        {"lines after the control line missing",
         pdf.substr(0, pdf.find('\n', pdf.find("%SRP")) + 7),
         {"Error reading old lines from source file!", "Error reading old lines from source file!",
          "Error reading from input PDF file for update! (X)"}},
    };
    for (const Row& row : rows) {
        boxes.clear();
        install.write(Unsigned, row.source);
        EXPECT_FALSE(SignPdfFile(Signature)) << row.id;
        EXPECT_EQ(boxes.texts(), row.texts) << row.id;
        for (const ui::Box& box : boxes.boxes()) {
            EXPECT_EQ(box.caption, box.text.starts_with("Error reading old") ? "Stylara - Error" : "Error") << row.id;
            EXPECT_EQ(box.icon(), "error") << row.id;
        }
    }
}

// Damaged host documents, and sound ones whose lines only look like what the rewrite changes: each
// is either signed into the document the signer was shown, object for object, with the signature on
// its page and what it must keep, or refused with its message, leaving no signed file behind; and a
// sound one in the host's layout is always signed.
TEST_F(PdfSign, DamagedSourcesAreNeverCalledSigned)
{
    const std::string pdf = host::MakeHostPdf({}); // objects 1 to 5 before the control line, 6 and 7 after it
    const auto editedFrom = replacedOnce;
    const auto edited = [&](std::string_view from, std::string_view to) { return editedFrom(pdf, from, to); };
    const std::size_t marker = pdf.find("%SRP");
    const std::string rest = pdf.substr(marker + 4, 16);
    const std::string entries = pdf.substr(pdf.find("\n", pdf.rfind("xref\n0 8\n") + 5) + 1, 8 * 20);
    const std::string layout = "Error reading from input PDF file for update! ";
    const std::string hostDate = "/ModDate (D:20240115093000-05'00')";

    // The document with objects from 8 on after the information dictionary, listed in the table.
    const auto withObjects = [&](const std::string& objects, int count) {
        std::string table = "xref\n0 " + std::to_string(8 + count) + "\n" + entries;
        for (int i = 0; i < count; ++i)
            table += "0000000000 00000 n \n";
        const std::string changed = edited("xref\n0 8\n" + entries, objects + table);
        return withTableRepaired(editedFrom(changed, "/Size 8", "/Size " + std::to_string(8 + count)));
    };
    const auto withObject8 = [&](const std::string& body) { return withObjects("8 0 obj\n" + body + "endobj\n", 1); };
    const auto stream8 = [&](const std::string& data) {
        return withObject8("<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "endstream\n");
    };
    // A stream after the control line whose dictionary line, its line feed counted, is size bytes long,
    // the "stream" keyword ending it or on the next line: the pieces the line is read in end anywhere
    // about the keyword.
    const auto dictionaryLine = [&](std::size_t size, bool keywordOnIt) {
        const std::string data = "0 0 m 10 10 l S\n";
        const std::string start = "<< /Length " + std::to_string(data.size()) + " /Pad (";
        const std::string end = keywordOnIt ? ") >> stream\n" : ") >>\n";
        return withObject8(start + std::string(size - start.size() - end.size(), 'x') + end +
                           (keywordOnIt ? "" : "stream\n") + data + "endstream\n");
    };
    // The document with a font 8 after the control line, and a copy of it that the rest copy does not
    // see as a header in object 9, where the table leads.
    const std::string font8 = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\n";
    const auto hiddenCopy = [&](const std::string& object9) {
        std::string changed = withObjects("8 0 obj\n" + font8 + "endobj\n9 0 obj\n" + object9 + "endobj\n", 2);
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu", changed.find("8 0 obj", changed.find("\n9 0 obj\n")));
        return changed.replace(changed.rfind("\nxref\n0 10\n") + 11 + 8 * 20, 10, entry);
    };
    const std::string otherFont = "8 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold >>\nendobj\n";
    // The page's content stream encoded, the control line in plain bytes after the encoded data.
    const auto encodedContent = [&](const std::string& filter, const std::string& encoded) {
        const std::size_t data = pdf.find("stream\n") + 7;
        char fields[32];
        std::snprintf(fields, sizeof fields, "%%SRP%010zu100200\n", encoded.size());
        std::string changed = pdf.substr(0, data) + encoded + fields + pdf.substr(pdf.find('\n', marker) + 1);
        changed = replacedOnce(changed, "<< /Length 6 0 R >>", "<< /Length 6 0 R /Filter " + filter + " >>");
        return withTableRepaired(changed);
    };
    const std::string content = pdf.substr(pdf.find("stream\n") + 7, marker - pdf.find("stream\n") - 7);
    const QByteArray zlib = qCompress(QByteArray::fromStdString(content)).mid(4);
    const std::string flate = zlib.toStdString() + "\n";
    const std::string hex = QByteArray::fromStdString(content).toHex().toStdString() + ">\n";
    // The entry of an object moved by bytes, as a table that a reader must repair has it.
    const auto entryMoved = [&](const std::string& source, int object, int by) {
        const std::size_t table = source.rfind("\nxref\n") + 1;
        const std::size_t entry = source.find('\n', table + 5) + 1 + static_cast<std::size_t>(object) * 20;
        char offset[11];
        std::snprintf(offset, sizeof offset, "%010lld", std::stoll(source.substr(entry, 10)) + by);
        std::string changed = source;
        return changed.replace(entry, 10, offset);
    };
    // A header across the 1 MiB edge of the blocks a repairing scan reads the source in.
    const std::string acrossBlocks = [&] {
        host::PdfOptions options;
        options.fillerBytes = 1000;
        const std::string small = host::MakeHostPdf(options);
        options.fillerBytes += (1 << 20) - 3 - (small.find("\n6 0 obj\n") + 1);
        return entryMoved(host::MakeHostPdf(options), 3, 2);
    }();
    // An update appended as a later tool would: a changed page, its table and a trailer back to the first.
    const std::string update = "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 396] /Contents 5 0 R >>\n"
                               "endobj\nxref\n0 1\n0000000000 65535 f \n3 1\n0000001118 00000 n \ntrailer\n"
                               "<< /Size 8 /Root 1 0 R /Info 7 0 R /Prev 883 >>\nstartxref\n1206\n%%EOF\n";

    // The stream's length leading past the "endstream" after the control line's lines to a later one,
    // so that a reader of the source draws what stands between them as well.
    const std::string lengthPastItsEnd = [&] {
        std::string changed = stream8("BT /F1 14 Tf 72 700 Td (TOTAL 999999 EUR) Tj ET\n");
        const std::size_t data = changed.find("stream\n") + 7;
        const std::size_t later = changed.find("endstream", changed.find("\n8 0 obj\n"));
        const std::string value = std::to_string(later - 1 - data);
        EXPECT_EQ(value.size(), 3u); // in the place of the value 248, so no offset moves
        return editedFrom(changed, "\n6 0 obj\n248\n", "\n6 0 obj\n" + value + "\n");
    }();
    // Encrypted with the empty user password: a reader decrypts the content stream, and the plain
    // signature with it.
    const std::string encrypted = editedFrom(
        withObject8(
            "<< /Filter /Standard /Length 40 /O <2055c756c72e1ad702608e8196acad447ad32d17cff583235f6dd15fed7dab67> "
            "/P -4 /R 2 /U <660de68a4d103b65851a73d833e1c41ccf14a3a7679b6be9a79f2e6883848a79> /V 1 >>\n"),
        "/Info 7 0 R >>",
        "/Info 7 0 R /ID [<31415926535897932384626433832795><31415926535897932384626433832795>] /Encrypt 8 0 R >>");

    // Binary data with a "%SRP" of its own before the real control line.
    host::PdfOptions withFiller;
    withFiller.fillerBytes = 4000;
    const std::string filled = host::MakeHostPdf(withFiller);
    const std::size_t filler = filled.find("stream\n") + 7;
    const auto earlyMarker = [&](const std::string& fields) {
        std::string changed = filled;
        changed.replace(filler + 100, fields.size() + 4, "%SRP" + fields);
        return changed;
    };
    const std::size_t fillerMarker = filler + 100;
    const std::size_t fillerData = filler;
    char fillerFields[32];
    std::snprintf(fillerFields, sizeof fillerFields, "%010zu100200\n", fillerMarker - fillerData);

    struct Row {
        const char* id;
        std::string source;
        std::string message;   // "" when it signs
        std::string kept = {}; // when it signs, text the signed document must hold
        int boxX = 100;        // and the box its signature is drawn in
    };
    const Row rows[] = {
        {"letters in the base length", edited(rest, "00000abcde100200"),
         "Control data invalid in source PDF file! (C2)"},
        {"negative box", edited(rest, rest.substr(0, 10) + "-10200"), "", "", -10},
        {"base length beyond the stream", edited(rest, "0000099999100200"),
         "Control data invalid in source PDF file! (C2)"},
        {"Length object numbered 0", edited("/Length 6 0 R", "/Length 0 0 R"), layout + "(L1)"},
        {"Length given directly", edited("/Length 6 0 R", "/Length 999"), layout + "(L1)"},
        {"stream dictionary over 4096 bytes",
         withTableRepaired(edited("<< /Length 6 0 R >>", "<< /Length 6 0 R /Pad (" + std::string(5000, 'x') + ") >>")),
         ""},
        {"Length followed by a longer name",
         withTableRepaired(edited("<< /Length 6 0 R >>", "<< /Length 6 0 R /Length1 5 >>")), ""},
        {"Length header numbered 0", edited("\n6 0 obj\n", "\n0 0 obj\n"), layout + "(L2)"},
        {"Length header negative", edited("\n6 0 obj\n", "\n-3 0 obj\n"), layout + "(L2)"},
        {"Length object on one line", edited("\n6 0 obj\n", "\n6 0 obj "), layout + "(L2)"},
        // The Length object's value line is replaced whatever it held.
        {"Length value after a blank", edited("\n6 0 obj\n248\n", "\n6 0 obj\n  248\n"), ""},
        {"Length value before a blank", edited("\n6 0 obj\n248\n", "\n6 0 obj\n248 \n"), ""},
        {"Length value line holding more", edited("\n6 0 obj\n248\n", "\n6 0 obj\n/Foo 248\n"), ""},
        {"Length value counting the line feed", edited("\n6 0 obj\n248\n", "\n6 0 obj\n249\n"), ""},
        {"Length value leading to a later endstream", lengthPastItsEnd, layout + "(V2)"},
        {"encrypted document", encrypted, layout + "(F1)"},
        // qpdf's command line does not decode Flate data it need not rewrite; a reader that uses the
        // stream would fail on it.
        {"stream after the control line that does not decode",
         withObject8("<< /Length 9 /Filter /FlateDecode >>\nstream\nnot zlib\nendstream\n"), layout + "(V1)"},
        {"stream goes on after the lines of the control line", edited("Q\nendstream\n", "Q\nQ\nendstream\n"),
         layout + "(E1)"},
        {"objects out of order", edited("\n7 0 obj\n", "\n9 0 obj\n"), layout + "(O1)"},
        {"NUL after the control line", edited("/Creator (Norvane", std::string("/Creator (Nor\0ane", 17)),
         layout + "(B1)"},
        // Carriage returns are dropped only from CR LF line ends outside a stream's data.
        {"carriage return alone", edited("/Creator (Norvane Corvix)", "/Creator (Norvane\rCorvix)"), layout + "(R1)"},
        {"stream with CR LF data after the control line", stream8("a b\r\nc d\r\n"), layout + "(R2)"},
        {"stream with CR LF keyword lines after the control line",
         withObject8("<< /Length 4 >>\r\nstream\r\nabcd\nendstream\r\n"), "", "stream\nabcd\nendstream\n"},
        // A line that only looks like an object header or a date is text, and stays as it is.
        {"stream with header and date lines after the control line", stream8("9 0 obj\n" + hostDate + "\n"), "",
         "stream\n9 0 obj\n" + hostDate + "\nendstream\n"},
        {"date line inside a string", edited("/Title (INVOICE 100)", "/Title (INVOICE 100\n" + hostDate + "\n)"), "",
         "(INVOICE 100\n" + hostDate + "\n)"},
        {"object header inside a string",
         withTableRepaired(edited("/Title (INVOICE 100)", "/Title (INVOICE\n8 0 obj\n)")), "",
         "(INVOICE\n8 0 obj\n)"},
        // A reader that repairs the table would take that header for an object.
        {"object header inside a string with a table to repair",
         edited("/Title (INVOICE 100)", "/Title (INVOICE\n8 0 obj\n)"), layout + "(T7)"},
        {"stream data whose start was not seen", edited("endobj\n7 0 obj\n", "endobj\nendstream\n7 0 obj\n"),
         layout + "(S1)"},
        // The date and producer values are replaced; the rest of their lines stays.
        {"information dictionary closed on its date line", edited("00')\n>>\n", "00') >>\n"), "",
         "/ModDate (D:20110912083015-05'00') >>\n"},
        {"producer string over two lines", edited("Corvix PDF", "Corvix\nPDF"), layout + "(M1)"},
        {"date that is no string", edited(hostDate, "/ModDate 9 0 R                    "), layout + "(M1)"},
        {"date in an object other than the information dictionary", withObject8("<<\n" + hostDate + "\n>>\n"),
         layout + "(M2)"},
        {"table not from object 0", edited("xref\n0 8\n", "xref\n1 8\n"), layout + "(T1)"},
        {"two subsections",
         edited("xref\n0 8\n" + entries, "xref\n0 6\n" + entries.substr(0, 120) + "6 2\n" + entries.substr(120)),
         layout + "(T1)"},
        {"a second subsection after the first",
         edited("xref\n0 8\n" + entries, "xref\n0 8\n" + entries + "9 1\n0000000000 00000 f \n"), layout + "(T4)"},
        {"entry that is no entry", edited(entries.substr(20, 20), "0000000015 0000 n  \n"), layout + "(T2)"},
        {"kept entry pointing past the control line", edited(entries.substr(20, 20), "0000099999 00000 n \n"),
         layout + "(T3)"},
        {"moved object's entry free", edited(entries.substr(140, 20), "0000000000 00001 f \n"), layout + "(T5)"},
        {"moved object's entry free at its header", edited(entries.substr(140, 20), entries.substr(140, 17) + "f \n"),
         layout + "(T5)"},
        // An entry that leads to no header of its object is repaired by a reader, which finds the same
        // object wherever it has one header in the file; the signed copy has the entry set to it.
        {"moved object's entry pointing before the control line",
         edited(entries.substr(140, 20), entries.substr(20, 20)), ""},
        {"kept entry pointing at another object", edited(entries.substr(40, 20), entries.substr(20, 20)), ""},
        {"kept entry pointing into an object", edited(entries.substr(40, 20), "0000000101 00000 n \n"), ""},
        {"kept entry off by two", entryMoved(pdf, 3, 2), "", entries.substr(60, 20)},
        {"moved entry off by two", entryMoved(pdf, 7, -2), ""},
        {"header across a block edge of the repairing scan", acrossBlocks, ""},
        {"entry off by two with a second header of its object",
         entryMoved(withBytesAfterHeader(pdf, "%3 0 obj\n"), 3, 2), layout + "(T7)"},
        {"entry off by two with a header of an unlisted object",
         entryMoved(withBytesAfterHeader(pdf, "%9 0 obj\n"), 3, 2), layout + "(T7)"},
        {"startxref off by two", edited("startxref\n883\n", "startxref\n881\n"), ""},
        {"startxref leading to an object", edited("startxref\n883\n", "startxref\n50\n"), layout + "(U3)"},
        // A copy of a moved object where the rest copy does not look, which every reader of the source
        // shows in its place, is refused.
        {"table leading to a copy in a later stream",
         hiddenCopy("<< /Length " + std::to_string(otherFont.size()) + " >>\nstream\n" + otherFont + "endstream\n"),
         layout + "(T6)"},
        {"table leading to a copy in a string over lines", hiddenCopy("<< /Note (\n" + otherFont + ") >>\n"),
         layout + "(T6)"},
        {"table leading to a copy on a comment line",
         hiddenCopy("<< /A 1\n%8 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold >> endobj\n>>\n"),
         layout + "(T6)"},
        {"comment line ending like a header", withObject8("<< /A 1\n% 9 0 obj\n>>\n"), "", "\n% 9 0 obj\n"},
        {"table leading to the copy the rest copy sees",
         withTableRepaired(hiddenCopy("<< /Note (\n" + otherFont + ") >>\n")), "", font8},
        // The signature must be drawn where a reader draws the page.
        {"content stream encoded with Flate", encodedContent("/FlateDecode", flate), layout + "(F1)"},
        {"content stream encoded in hexadecimal", encodedContent("/ASCIIHexDecode", hex), layout + "(F1)"},
        {"content stream that no page draws",
         withObject8("<< /Length 8 >>\nstream\n0 0 m S\nendstream\n").replace(
             pdf.find("/Contents 5 0 R"), 15, "/Contents 8 0 R"),
         layout + "(P1)"},
        {"content stream in an array", withTableRepaired(edited("/Contents 5 0 R", "/Contents [5 0 R]")), ""},
        // A line is one line wherever the pieces it is read in end.
        {"control line longer than a piece", withTableRepaired(edited(rest + "\n", rest + std::string(150, ' ') + "\n")),
         ""},
        {"endstream where a data line's second piece begins", stream8(std::string(119, 'a') + "endstream\n"), "",
         std::string(119, 'a') + "endstream\nendstream\n"},
        {"wrong size", edited("/Size 8", "/Size 9"), layout + "(V1)"},
        {"root naming a missing object", edited("/Root 1 0 R", "/Root 9 0 R"), layout + "(V1)"},
        // Only the host's one table: an update would be signed in a version the signer never saw.
        {"update appended", pdf + update, layout + "(U2)"},
        {"update appended after a byte 0x1A", pdf + "\x1a" + update, layout + "(U2)"},
        {"earlier table named in the trailer", edited("/Info 7 0 R >>", "/Info 7 0 R /Prev 9 >>"), layout + "(U1)"},
        {"second table before startxref", edited("startxref\n", "xref\n0 1\n0000000000 65535 f \nstartxref\n"),
         layout + "(U1)"},
        {"white space after the end", pdf + "\n \r\n\t\n", ""},
        // Bytes after the end that a reader ignores are left out; an update among them is not.
        {"text and binary after the end", pdf + "\r\n-- scanned by the mail gateway --\n" + std::string("\0\x1a\xff", 3),
         ""},
        {"update after bytes after the end", pdf + "-- gateway --\n" + update, layout + "(U2)"},
        // A percent sign right before it hides a marker; the control line's is the one signed.
        {"marker hidden by a percent sign before it", edited("% Halvenor Software", "%%SRPvenor Software"), "",
         "%%SRPvenor Software"},
        {"marker in binary data with letters after it", earlyMarker("xx"),
         "Control data invalid in source PDF file! (C2)"},
        {"marker in binary data with digits after it", earlyMarker(fillerFields), layout + "(L1)"},
        {"table entries ending in CR LF",
         edited("xref\n0 8\n" + entries,
                [&] {
                    std::string crlf = "xref\r\n0 8\r\n";
                    for (std::size_t i = 0; i < entries.size(); i += 20)
                        crlf += entries.substr(i, 18) + "\r\n";
                    return crlf;
                }()),
         ""},
        {"free entry beyond the moved objects",
         [&] {
             std::string changed = edited("xref\n0 8\n" + entries, "xref\n0 9\n" + entries + "0000000000 00001 f \n");
             changed.replace(changed.find("/Size 8"), 7, "/Size 9");
             return changed;
         }(),
         ""},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows));
    for (const std::size_t size : {120, 121, 122, 123, 124, 125, 126, 127, 238, 239, 240, 241})
        for (const bool keywordOnIt : {false, true})
            all.push_back({"dictionary line about a piece's end", dictionaryLine(size, keywordOnIt), "", "stream\n"});
    for (const Row& row : all) {
        boxes.clear();
        std::filesystem::remove(install.native(Signed));
        install.write(Unsigned, row.source);
        const bool ok = SignPdfFile(Signature);
        const PdfSignResult inMemory = SignPdfBytes(row.source, Signature, "20110912083015-05'00'");
        EXPECT_EQ(BrokenPromise(row.source, inMemory), "") << row.id;
        EXPECT_EQ(inMemory.ok, ok) << row.id;
        if (ok) {
            EXPECT_EQ(inMemory.output, signedFile()) << row.id;
        }
        if (row.message.empty()) {
            EXPECT_TRUE(ok) << row.id;
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << row.id;
            EXPECT_EQ(qpdfCheck(install.native(Signed)), 0) << row.id;
            const std::string out = signedFile();
            crossReference(out);
            EXPECT_NE(out.find(row.kept), std::string::npos) << row.id;
            EXPECT_NE(out.find(signatureBlock(row.boxX, 200, Signature)), std::string::npos) << row.id;
        } else {
            EXPECT_FALSE(ok) << row.id;
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{row.message}) << row.id;
            EXPECT_FALSE(install.exists(Signed)) << row.id;
        }
    }
}

TEST_F(PdfSign, FailedWritesAreReported)
{
    host::PdfOptions options;
    options.fillerBytes = 3 << 20; // more than one block of the copy
    install.write(Unsigned, host::MakeHostPdf(options));
    ASSERT_TRUE(SignPdfFile(Signature));
    const std::size_t whole = signedFile().size();
    const std::size_t marker = install.read(Unsigned).find("%SRP");

    // A file size limit makes the disk refuse the rest, as a full disk would.
    const std::size_t limits[] = {1 << 20, marker, marker + 30, whole - 3};
    for (const std::size_t size : limits) {
        boxes.clear();
        {
            testing_support::FileSizeLimit limit(size);
            EXPECT_FALSE(SignPdfFile(Signature)) << size;
        }
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error writing target PDF file!"}) << size;
    }
}

TEST_F(PdfSign, NoWriteFollowsALinkOrReplacesAReadOnlyFile)
{
    install.write(Unsigned, host::MakeHostPdf({}));
    const std::string outside = install.root() + "/outside.pdf";
    struct Row {
        const char* id;
        std::function<void()> arrange;
        std::function<void()> verify;
    };
    const Row rows[] = {
        {"a dangling link", [&] { std::filesystem::create_symlink(outside, install.native(Signed)); },
         [&] { EXPECT_FALSE(std::filesystem::exists(outside)); }},
        {"a device behind a link", [&] { std::filesystem::create_symlink("/dev/full", install.native(Signed)); },
         [] {}},
        // The mode bits stop nothing for root; the file stays as it was all the same.
        {"a read-only file",
         [&] {
             install.write(Signed, "kept");
             std::filesystem::permissions(install.native(Signed), std::filesystem::perms::owner_read);
         },
         [&] {
             EXPECT_EQ(install.read(Signed), "kept");
             std::filesystem::permissions(install.native(Signed), std::filesystem::perms::owner_all);
         }},
    };
    for (const Row& row : rows) {
        boxes.clear();
        std::filesystem::remove(install.native(Signed));
        row.arrange();
        EXPECT_FALSE(SignPdfFile(Signature)) << row.id;
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error opening target PDF file for update! (1)"}) << row.id;
        row.verify();
    }
}

TEST_F(PdfSign, FilesThatCannotBeOpened)
{
    EXPECT_FALSE(SignPdfFile(Signature));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Local unsigned PDF file is missing!"});
    EXPECT_TRUE(globals.SignedPdfPath.empty());

    boxes.clear();
    install.write(Unsigned, host::MakeHostPdf({}));
    globals.TempDir = "C:\\NoSuchFolder";
    EXPECT_FALSE(SignPdfFile(Signature));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error opening target PDF file for update! (1)"});
    EXPECT_EQ(globals.SignedPdfPath, "C:\\NoSuchFolder\\signed.pdf");

    boxes.clear();
    EXPECT_EQ(HasControlLine("C:\\NoSuchFolder\\x.pdf"), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error opening target PDF file! (1)"});
}

TEST(ControlLine, FoundOnlyAsAWholeLine)
{
    TempInstall install;
    ui::BoxRecorder boxes;
    const std::string line = "%SRP0000000001100200\n";
    const std::size_t block = 1 << 20; // the size the file is read in
    struct Row {
        const char* id;
        std::string contents;
        int expected;
    };
    const Row rows[] = {
        {"first line", line, 1},
        {"after other lines", "%PDF-1.4\nq\n" + line + "Q\n", 1},
        {"last line without its line feed", "q\n" + line.substr(0, line.size() - 1), 0},
        {"inside a line", "q " + line, 0},
        {"no marker", "%PDF-1.4\n%SR\n%SRp0000000001100200\n", 0},
        {"at the start of a long line's second piece", std::string(2039, 'a') + line, 1},
        {"inside a long line's second piece", std::string(2038, 'a') + line, 0},
        {"across two blocks of the read", std::string(block - 2, '\n') + line, 1},
        {"piece begun in one block and ended in the next",
         "\n" + std::string(2039 * 514, 'a') + line.substr(0, 20) + std::string(1000, ' ') + "\n", 1},
    };
    for (const Row& row : rows) {
        install.write("C:\\x.pdf", row.contents);
        EXPECT_EQ(HasControlLine("C:\\x.pdf"), row.expected) << row.id;
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

} // namespace

namespace {

// The control-line test read straight: pieces of at most 2039 bytes, each ending after an LF where one
// comes first; a piece that begins with "%SRP" and ends with LF is a control line.
bool controlLineByPieces(const std::string& text)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lineFeed = text.find('\n', start);
        const std::size_t end = lineFeed != std::string::npos && lineFeed < start + 2039
                                    ? lineFeed + 1
                                    : std::min(text.size(), start + 2039);
        if (text[end - 1] == '\n' && text.compare(start, 4, "%SRP") == 0)
            return true;
        start = end;
    }
    return false;
}

} // namespace

// Documents of a few blocks of the scan with long lines, line feeds and markers placed at random about
// the blocks' edges: the scan answers as a reading piece by piece does.
TEST(ControlLine, AnswersAsAReadingPieceByPiece)
{
    const std::size_t block = 1 << 20;
    std::mt19937 random(20111231);
    int found = 0;
    for (int row = 0; row < 40; ++row) {
        std::string text(block * (1 + random() % 3) + random() % 5000, 'a');
        const int marks = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < marks; ++i) {
            // Near an edge of a block counted from either end, or anywhere.
            const std::size_t edge = (random() % 2 ? text.size() - block * (random() % 3) : block * (random() % 3));
            std::size_t at = random() % 3 ? edge + random() % 8000 - 4000 : random() % text.size();
            at = std::min(at, text.size() - 1);
            // A line feed, a marker anywhere, or a marker some whole pieces into a line with a line feed
            // some way after it, which may or may not end the marker's piece.
            std::string mark = "\n";
            if (random() % 3 == 1)
                mark = "%SRP";
            if (random() % 3 == 2)
                mark =
                    "\n" + std::string(2039 * (random() % 3), 'b') + "%SRP" + std::string(random() % 2100, 'c') + "\n";
            text.replace(at, std::min(mark.size(), text.size() - at), mark, 0, text.size() - at);
        }
        MemoryPdfInput input(text);
        const bool expected = controlLineByPieces(text);
        found += expected;
        EXPECT_EQ(FindControlLine(input), expected) << "row " << row;
    }
    EXPECT_GT(found, 5) << "the rows hold control lines too";
    EXPECT_LT(found, 35) << "and rows without";
}
