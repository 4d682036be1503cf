// A "TBTR " request: the signed PDF fetched, copied under its own name, checked and opened with the shell.
#include "RoadFixture.h"
#include "station/Globals.h"

#include <filesystem>

using Texts = std::vector<std::string>;

namespace {
const char* const badName = "Invalid UNIX PDF filename provided.";
const char* const notProcessed = "The specified PDF file cannot be processed by this program...";
} // namespace

class ViewRoad : public RoadFixture {};

TEST_F(ViewRoad, FetchCheckAndOpen)
{
    const std::string signedPdf = hostPdf;
    const std::string longDir = "/u/" + std::string(108, 'd') + "/"; // 112 characters
    struct Row {
        const char* id;
        std::string path;     // the request's host path
        std::string contents; // the host's file there; empty: none
        Texts boxes;
        Texts temp;         // the Temp folder afterwards
        const char* opened; // what the shell was asked to open
    };
    const Row rows[] = {
        {"a signed PDF", "/u/signed/inv100.pdf", signedPdf, {}, {"inv100.pdf"}, "C:\\Stylara\\Temp\\inv100.pdf"},
        {"a path of 127 characters",
         longDir + "inv100xxxxx.pdf",
         signedPdf,
         {},
         {"inv100xxxxx.pdf"},
         "C:\\Stylara\\Temp\\inv100xxxxx.pdf"},
        {"a path of 128 characters is not cut", longDir + "inv100xxxxxx.pdf", signedPdf, {badName}, {}, nullptr},
        {"a document called unsigned.pdf",
         "/u/signed/unsigned.pdf",
         signedPdf,
         {},
         {"unsigned.pdf"},
         "C:\\Stylara\\Temp\\unsigned.pdf"},
        {"a bare name", "inv100.pdf", signedPdf, {badName}, {"unsigned.pdf"}, nullptr},
        {"a trailing /", "/u/signed/", "", {"Specified UNIX file does not exist", badName}, {"unsigned.pdf"}, nullptr},
        {"only a leading /", "/inv100.pdf", signedPdf, {badName}, {"unsigned.pdf"}, nullptr},
        {"a base name with \\", "/u/signed/..\\..\\inv100.pdf", signedPdf, {badName}, {"unsigned.pdf"}, nullptr},
        {"a base name with :", "/u/signed/C:inv100.pdf", signedPdf, {badName}, {"unsigned.pdf"}, nullptr},
        {"a base name ..",
         "/u/signed/..",
         "",
         {"Specified UNIX file does not exist", badName},
         {"unsigned.pdf"},
         nullptr},
        {"a base name .",
         "/u/signed/.",
         "",
         {"Specified UNIX file does not exist", badName},
         {"unsigned.pdf"},
         nullptr},
        {"dots inside a name",
         "/u/signed/inv..v2.pdf",
         signedPdf,
         {},
         {"inv..v2.pdf"},
         "C:\\Stylara\\Temp\\inv..v2.pdf"},
        {"capital .PDF",
         "/u/signed/INV100.PDF",
         signedPdf,
         {"Invalid file specified.  Only signed PDF files can be displayed with this program."},
         {},
         nullptr},
        {"no extension",
         "/u/signed/inv100",
         signedPdf,
         {"Invalid file specified.  Only signed PDF files can be displayed with this program."},
         {},
         nullptr},
        {"a line end from the request: no file name holds it",
         "/u/signed/inv100.pdf\n",
         "",
         {"Unable to copy PDF document.  Is the file already open?"},
         {},
         nullptr},
        {"another second line",
         "/u/signed/other.pdf",
         "%PDF-1.4\n% Other writer 1.0\n% Halvenor Software\n",
         {notProcessed},
         {},
         nullptr},
        {"PDF 1.5",
         "/u/signed/v15.pdf",
         "%PDF-1.5\n% Norvane Corvix 4.2\n% Halvenor Software\n",
         {notProcessed},
         {},
         nullptr},
        {"the literal's blank counts",
         "/u/signed/blank.pdf",
         "%PDF-1.4\n% Norvane Corvix\n% Halvenor Software\n",
         {notProcessed},
         {},
         nullptr},
        {"CR LF lines",
         "/u/signed/crlf.pdf",
         "%PDF-1.4\r\n% Norvane Corvix 4.2\r\n% Halvenor Software\r\n",
         {},
         {"crlf.pdf"},
         "C:\\Stylara\\Temp\\crlf.pdf"},
        {"a first line over 119 characters",
         "/u/signed/longline.pdf",
         "%PDF-1.4" + std::string(120, ' ') + "\n% Norvane Corvix 4.2\n% Halvenor Software\n",
         {notProcessed},
         {},
         nullptr},
        {"nothing on the host",
         "/u/signed/missing.pdf",
         "",
         {"Specified UNIX file does not exist", notProcessed},
         {},
         nullptr},
    };
    for (const Row& row : rows) {
        boxes.clear();
        const size_t opened = shell.opened().size();
        install.write("C:\\Stylara\\Temp\\left.over", "from an earlier document");
        if (!row.contents.empty())
            writeHostFile(row.path, row.contents);
        globals.FetchPdfFlag = true;
        request("TBTR N127.0.0.1 " + row.path);
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        for (const ui::Box& box : boxes.boxes())
            EXPECT_EQ(box.icon(), "error") << row.id;
        EXPECT_EQ(tempFiles(), row.temp) << row.id;
        if (row.opened) {
            ASSERT_EQ(shell.opened().size(), opened + 1) << row.id;
            EXPECT_EQ(shell.opened().back().file, row.opened) << row.id;
            EXPECT_EQ(shell.opened().back().verb, "open") << row.id;
        } else {
            EXPECT_EQ(shell.opened().size(), opened) << row.id;
        }
    }
    for (const std::string& command : fileCommands())
        EXPECT_EQ(command.substr(0, 6), "TBGF 0") << "the view road fetches with the digit 0";
    EXPECT_EQ(fileCommands().size(), std::size(rows) - 1) << "a path too long to hold is not fetched";
    EXPECT_FALSE(install.exists("C:\\inv100.pdf")) << "nothing lands outside the Temp folder";
    EXPECT_FALSE(install.exists("C:\\Stylara\\inv100.pdf"));
}

TEST_F(ViewRoad, ACopyThatCannotBeMadeTakesTheFetchedFileWithIt)
{
    writeHostFile("/u/signed/inv100.pdf", hostPdf);
    // A folder survives the purge and stands where the copy should go.
    std::filesystem::create_directories(install.native("C:\\Stylara\\Temp\\inv100.pdf"));
    request("TBTR N127.0.0.1 /u/signed/inv100.pdf");
    EXPECT_EQ(boxes.texts(), Texts{"Unable to copy PDF document.  Is the file already open?"});
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara");
    EXPECT_EQ(tempFiles(), Texts{"inv100.pdf"});
    EXPECT_TRUE(std::filesystem::is_directory(install.native("C:\\Stylara\\Temp\\inv100.pdf")));
    EXPECT_TRUE(shell.opened().empty());
}

TEST_F(ViewRoad, ADocumentThatNeverArrivedCannotBeReadUnderItsOwnName)
{
    writeHostFile("/u/signed/inv100.pdf", hostPdf);
    request("TBTR N127.0.0.1 /u/signed/inv100.pdf");
    ASSERT_EQ(shell.opened().size(), 1u);
    boxes.clear();
    // A document called "unsigned.pdf" needs no copy, so a fetch that never came shows only when the
    // document is read.
    host->refuse(host::Service::File, true);
    request("TBTR N127.0.0.1 /u/signed/unsigned.pdf");
    EXPECT_EQ(boxes.texts(), (Texts{"Error connecting to 127.0.0.1", "Could not open signed PDF file for read! (A)"}));
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].caption, "Norvane Stylara");
    EXPECT_EQ(boxes.boxes()[1].icon(), "error");
    EXPECT_EQ(tempFiles(), Texts{});
    EXPECT_EQ(shell.opened().size(), 1u);
}
