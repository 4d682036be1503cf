// The viewer's "TBTR " road and its dispatcher against the host simulator: fetch, copy under the base
// name, the checks of a signed PDF, and the shell open.
#include "ViewerFixture.h"
#include "host/PdfMaker.h"

#include <filesystem>
#include <set>

namespace {

const char* const signedHeader = "%PDF-1.4\n% Norvane Corvix 4.2\n% Halvenor Software\n";

std::string signedPdf()
{
    host::PdfOptions options;
    options.controlLine = false; // as the PDF stands once signed
    return host::MakeHostPdf(options);
}

class ViewRoad : public ViewerFixture {
protected:
    std::set<std::string> tempFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(install.native("C:\\Stylara\\Temp")))
            names.insert(entry.path().filename().string());
        return names;
    }
};

const std::string viewer = "Norvane Stylara PDF Viewer | ";

} // namespace

TEST_F(ViewRoad, SignedPdfIsCopiedUnderItsNameAndOpened)
{
    ASSERT_EQ(signedPdf().rfind(signedHeader, 0), 0u) << "the host's PDF carries the header of a signed PDF";
    writeHostFile("/usr/docs/signed/inv100.pdf", signedPdf());
    install.write("C:\\Stylara\\Temp\\earlier.pdf", "x");

    ASSERT_TRUE(sendRequest("TBTR Y127.0.0.1 /usr/docs/signed/inv100.pdf", [&] { return !shell.opened().empty(); }));
    EXPECT_EQ(shell.opened()[0].verb, "open");
    EXPECT_EQ(shell.opened()[0].file, "C:\\Stylara\\Temp\\inv100.pdf");
    EXPECT_EQ(fileCommands(), std::vector<std::string>{"TBGF 0/usr/docs/signed/inv100.pdf\n"});
    EXPECT_EQ(tempFiles(), std::set<std::string>{"inv100.pdf"}) << "Temp was emptied and only the copy stays";
    EXPECT_EQ(install.read("C:\\Stylara\\Temp\\inv100.pdf"), signedPdf());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(globals.UseComputerName);
    EXPECT_EQ(globals.HostAddress, "127.0.0.1");
}

TEST_F(ViewRoad, EveryCheckWithTheViewersCaption)
{
    struct Row {
        const char* id;
        std::string path;  // after "TBTR Y127.0.0.1 "
        std::string bytes; // on the host under path; "" for none
        std::vector<std::string> boxes;
        std::set<std::string> temp; // left in Temp
        bool opened = false;
    };
    const std::string missing = viewer + "Specified UNIX file does not exist";
    const std::string badName = viewer + "Invalid UNIX PDF filename provided.";
    const std::string notPdf =
        viewer + "Invalid file specified.  Only signed PDF files can be displayed with this program.";
    const std::string notSigned = viewer + "The specified PDF file cannot be processed by this program...";
    const std::vector<Row> rows = {
        {"bare name", "inv100.pdf", signedPdf(), {badName}, {"unsigned.pdf"}},
        {"ends in a slash", "/usr/docs/", "", {missing, badName}, {"unsigned.pdf"}},
        {"only a leading slash", "/inv100.pdf", signedPdf(), {badName}, {"unsigned.pdf"}},
        {"backslash in the base name", "/usr/docs/sub\\inv100.pdf", signedPdf(), {badName}, {"unsigned.pdf"}},
        {"colon in the base name", "/usr/docs/C:inv100.pdf", signedPdf(), {badName}, {"unsigned.pdf"}},
        {"the parent folder as the base name", "/usr/docs/..", "", {missing, badName}, {"unsigned.pdf"}},
        {"two dots opening a name", "/usr/docs/..inv100.pdf", signedPdf(), {}, {"..inv100.pdf"}, true},
        {"capital extension", "/usr/docs/INV100.PDF", signedPdf(), {notPdf}, {}},
        {"no extension", "/usr/docs/inv100", signedPdf(), {notPdf}, {}},
        {"second line of another maker",
         "/usr/docs/a.pdf",
         "%PDF-1.4\n% Other 1.0\n% Halvenor Software\n",
         {notSigned},
         {}},
        {"PDF 1.5", "/usr/docs/a.pdf", "%PDF-1.5\n% Norvane Corvix 4.2\n% Halvenor Software\n", {notSigned}, {}},
        {"two header lines", "/usr/docs/a.pdf", "%PDF-1.4\n% Norvane Corvix 4.2\n", {notSigned}, {}},
        {"header in CR LF lines",
         "/usr/docs/a.pdf",
         "%PDF-1.4\r\n% Norvane Corvix 4.2\r\n% Halvenor Software\r\n",
         {},
         {"a.pdf"},
         true},
        {"missing on the host", "/usr/docs/none.pdf", "", {missing, notSigned}, {}},
    };
    for (const Row& row : rows) {
        boxes.clear();
        fronts.clear();
        const size_t opens = shell.opened().size();
        if (!row.bytes.empty())
            writeHostFile(row.path, row.bytes);
        ViewSignedPdf("TBTR N127.0.0.1 " + row.path);
        EXPECT_EQ(boxLines(), row.boxes) << row.id;
        EXPECT_EQ(tempFiles(), row.temp) << row.id;
        EXPECT_EQ(shell.opened().size(), opens + (row.opened ? 1 : 0)) << row.id;
        for (QWidget* front : fronts)
            EXPECT_EQ(front, form_config) << row.id;
    }
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\sub")) << "nothing was written beside Temp's own files";
}

TEST_F(ViewRoad, CopyThatFailsRemovesTheFetchedFile)
{
    // A folder of the PDF's name outside the purge's reach: the copy cannot replace it.
    std::filesystem::create_directories(install.native("C:\\Stylara\\Temp\\inv100.pdf"));
    writeHostFile("/usr/docs/inv100.pdf", signedPdf());
    ViewSignedPdf("TBTR Y127.0.0.1 /usr/docs/inv100.pdf");
    EXPECT_EQ(boxLines(), std::vector<std::string>{viewer + "Unable to copy PDF document.  Is the file already open?"});
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\unsigned.pdf"));
    EXPECT_TRUE(shell.opened().empty());
}

TEST_F(ViewRoad, RequestColumnsAndTheDispatcher)
{
    ViewSignedPdf("TBTR y127.0.0.1 /usr/docs/inv100.pdf");
    ViewSignedPdf("TBTR Y127.0.0.1/usr/docs/inv100.pdf");
    EXPECT_EQ(boxLines(), std::vector<std::string>{viewer + "Stylara UNIX software requires updating! (1)"});
    EXPECT_TRUE(fileCommands().empty()) << "neither request fetches";

    const char* const others[] = {"tbtr Y127.0.0.1 /a/b.pdf", "TBRR 0", "TBTR", "GET / HTTP/1.0\r\n"};
    for (const char* text : others) {
        boxes.clear();
        fronts.clear();
        ASSERT_TRUE(sendRequest(text, [&] { return !boxes.boxes().empty(); })) << text;
        EXPECT_EQ(boxLines(),
                  std::vector<std::string>{viewer + "Invalid data received.  Trying to sign with PDF viewer program?"})
            << text;
        EXPECT_EQ(fronts, std::vector<QWidget*>{form_config}) << text;
    }
}
