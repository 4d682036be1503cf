// "TBGF" and "TBSF" on the file connection, against the host simulator's file service.
#include "WireFixture.h"
#include "station/Socket_io.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

using host::End;
using host::Service;

class FileTransfer : public WireFixture {
protected:
    // After a transfer: the hourglass is gone and the file connection closed.
    void expectSettled(const std::string& id)
    {
        EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default) << id;
        EXPECT_FALSE(form_config->FileSocket.Active()) << id;
        for (const Seen& box : seen) {
            EXPECT_EQ(box.cursor, ui::Cursor::Hourglass) << id << ": boxes come during the transfer";
            EXPECT_EQ(box.front, form_adobe) << id;
        }
    }
};

TEST_F(FileTransfer, FetchWritesTheKindsTempFileWithTheFlagsDigit)
{
    struct Row {
        const char* id;
        unsigned char kind;
        bool pdfFlag, textFlag;
        const char* command;
        const char* local;
        std::string _globals::*member;
    } rows[] = {
        {"PDF, flag 1", 1, true, false, "TBGF 1/u/docs/inv100.pdf\n", "C:\\Stylara\\Temp\\unsigned.pdf",
         &_globals::UnsignedPdfPath},
        {"PDF, flag 0", 1, false, true, "TBGF 0/u/docs/inv100.pdf\n", "C:\\Stylara\\Temp\\unsigned.pdf",
         &_globals::UnsignedPdfPath},
        {"text, flag 1", 0, true, true, "TBGF 1/u/docs/inv100.pdf\n", "C:\\Stylara\\Temp\\source.pdf",
         &_globals::SourceTextPath},
        {"any other kind is text", 7, true, false, "TBGF 0/u/docs/inv100.pdf\n", "C:\\Stylara\\Temp\\source.pdf",
         &_globals::SourceTextPath},
    };
    writeHostFile("/u/docs/inv100.pdf", "%PDF-1.4\nbody\n");
    for (const Row& row : rows) {
        globals.UnsignedPdfPath.clear();
        globals.SourceTextPath.clear();
        install.write(row.local, "old and longer contents that must go");
        globals.FetchPdfFlag = row.pdfFlag;
        globals.FetchTextFlag = row.textFlag;
        EXPECT_TRUE(FetchHostFile(row.kind, "/u/docs/inv100.pdf")) << row.id;
        EXPECT_EQ(install.read(row.local), "%PDF-1.4\nbody\n") << row.id;
        EXPECT_EQ(globals.*row.member, row.local) << row.id;
        EXPECT_EQ(globals.UnsignedPdfPath.empty() + globals.SourceTextPath.empty(), 1) << row.id << ": one member";
        EXPECT_EQ(host->connections().back().received, row.command) << row.id;
        EXPECT_TRUE(boxes.boxes().empty()) << row.id;
        expectSettled(row.id);
    }
}

TEST_F(FileTransfer, FetchOfAnEmptyOrMissingFileLeavesAnEmptyFile)
{
    writeHostFile("/u/docs/empty.pdf", "");
    for (const char* path : {"/u/docs/empty.pdf", "/u/docs/missing.pdf"}) {
        boxes.clear();
        seen.clear();
        install.write("C:\\Stylara\\Temp\\unsigned.pdf", "stale");
        EXPECT_FALSE(FetchHostFile(1, path)) << path;
        EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\unsigned.pdf")) << path;
        EXPECT_EQ(install.read("C:\\Stylara\\Temp\\unsigned.pdf"), "") << path;
        ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Specified UNIX file does not exist"}) << path;
        EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara - Error");
        EXPECT_EQ(boxes.boxes()[0].icon(), "error");
        expectSettled(path);
    }
}

TEST_F(FileTransfer, FetchFailures)
{
    writeHostFile("/u/docs/inv100.pdf", std::string(10000, 'p'));
    const std::string unsignedPdf = install.native("C:\\Stylara\\Temp\\unsigned.pdf");
    const std::string outside = install.root() + "/outside.pdf";
    std::optional<testing_support::FileSizeLimit> limit;
    const auto readOnly = [&] {
        install.write("C:\\Stylara\\Temp\\unsigned.pdf", "kept");
        std::filesystem::permissions(unsignedPdf, std::filesystem::perms::owner_read);
    };
    struct Row {
        const char* id;
        std::function<void()> arrange;
        const char* text;
        const char* caption;
        bool memberSet;
        const char* command;          // what the host received
        std::function<void()> verify; // what else must hold afterwards
    };
    const Row rows[] = {
        {"host refuses",
         [&] { host->refuse(Service::File, true); },
         "Error connecting to 127.0.0.1",
         "Norvane Stylara - Error",
         false,
         nullptr,
         {}},
        {"local file cannot be opened",
         [&] { std::filesystem::create_directory(unsignedPdf); },
         "Error opening local file: C:\\Stylara\\Temp\\unsigned.pdf",
         "Norvane Stylara - Error",
         true,
         "",
         {}},
        {"receive fails",
         [&] {
             host->setFileFault(host::FileFault{3000, End::Reset});
         },
         "PROBLEM!  Closing socket!",
         "Error",
         true,
         "TBGF 0/u/docs/inv100.pdf\n",
         {}},
        {"local disk full",
         [&] { limit.emplace(3000); },
         "Could not write local file!",
         "Norvane Stylara - Error",
         true,
         "TBGF 0/u/docs/inv100.pdf\n",
         {}},
        // Written through, a link would put the host's document wherever it points.
        {"a dangling link in the file's place", [&] { std::filesystem::create_symlink(outside, unsignedPdf); },
         "Error opening local file: C:\\Stylara\\Temp\\unsigned.pdf", "Norvane Stylara - Error", true, "",
         [&] { EXPECT_FALSE(std::filesystem::exists(outside)); }},
        {"a link to a file outside",
         [&] {
             std::ofstream(outside) << "theirs";
             std::filesystem::create_symlink(outside, unsignedPdf);
         },
         "Error opening local file: C:\\Stylara\\Temp\\unsigned.pdf", "Norvane Stylara - Error", true, "",
         [&] {
             EXPECT_EQ(testing_support::fileContents(outside), "theirs");
             std::filesystem::remove(outside);
         }},
        // Mode bits stop nothing when the program runs as root; the read-only file stays all the same.
        {"a read-only file the purge kept", readOnly, "Error opening local file: C:\\Stylara\\Temp\\unsigned.pdf",
         "Norvane Stylara - Error", true, "",
         [&] {
             EXPECT_EQ(install.read("C:\\Stylara\\Temp\\unsigned.pdf"), "kept");
             std::filesystem::permissions(unsignedPdf, std::filesystem::perms::owner_all);
         }},
    };
    for (const Row& row : rows) {
        boxes.clear();
        seen.clear();
        std::filesystem::remove_all(unsignedPdf);
        host->refuse(Service::File, false);
        host->setFileFault(std::nullopt);
        globals.UnsignedPdfPath.clear();
        const size_t connectionsBefore = host->connections().size();
        row.arrange();
        EXPECT_FALSE(FetchHostFile(1, "/u/docs/inv100.pdf")) << row.id;
        limit.reset();
        if (row.verify)
            row.verify();
        ASSERT_EQ(boxes.texts(), std::vector<std::string>{row.text}) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, row.caption) << row.id;
        EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        EXPECT_EQ(globals.UnsignedPdfPath.empty(), !row.memberSet) << row.id;
        expectSettled(row.id);
        if (row.command) {
            ASSERT_TRUE(host->waitForEnded(Service::File, connectionsBefore + 1)) << row.id;
            EXPECT_EQ(host->connections().back().received, row.command) << row.id;
        } else {
            EXPECT_EQ(host->connections().size(), connectionsBefore) << row.id;
        }
    }
    // What came before the failure stays in the file.
    std::filesystem::remove_all(unsignedPdf);
    host->setFileFault(host::FileFault{3000, End::Reset});
    FetchHostFile(1, "/u/docs/inv100.pdf");
    EXPECT_EQ(install.read("C:\\Stylara\\Temp\\unsigned.pdf"), std::string(3000, 'p'));
}

TEST_F(FileTransfer, SendPutsTheFileUnderTheHostPath)
{
    install.write("C:\\Stylara\\Temp\\signed.pdf", "%PDF-1.4 signed\n");
    for (const bool overwrite : {true, false}) {
        globals.OverwriteTarget = overwrite;
        const std::string target = overwrite ? "/u/out/inv100.pdf" : "/u/out/inv100-0002.pdf";
        EXPECT_TRUE(SendFileToHost("C:\\Stylara\\Temp\\signed.pdf", target));
        expectSettled(target);
        ASSERT_TRUE(host->waitForEnded(Service::File, overwrite ? 1 : 2));
        EXPECT_EQ(host->connections().back().received,
                  std::string("TBSF ") + (overwrite ? "0" : "1") + target + "\n%PDF-1.4 signed\n");
        EXPECT_EQ(hostFile(target), "%PDF-1.4 signed\n");
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileTransfer, SendFailures)
{
    const std::string unreadable = "C:\\Stylara\\Temp\\signed.pdf";
    std::filesystem::create_directories(install.native(unreadable)); // opens, but every read fails
    // More than the two ends' socket buffers hold, so the station is still sending when the reset comes.
    const std::string big = "C:\\Stylara\\Temp\\big.pdf";
    install.write(big, std::string(16 * 1024 * 1024, 'b'));
    struct Row {
        const char* id;
        bool refuse;
        bool reset; // the host resets the connection right after the command
        std::string local;
        const char* text;
        const char* caption;
    } rows[] = {
        {"host refuses", true, false, "C:\\Stylara\\Temp\\none.pdf", "Error connecting to 127.0.0.1",
         "Norvane Stylara - Error"},
        {"no local file", false, false, "C:\\Stylara\\Temp\\none.pdf",
         "Error opening local file: C:\\Stylara\\Temp\\none.pdf", "Norvane Stylara - Error"},
        {"host resets", false, true, big, "Error saving file on UNIX!", "Error"},
        {"local file cannot be read", false, false, unreadable, "Error saving file on UNIX!", "Error"},
    };
    for (const Row& row : rows) {
        boxes.clear();
        seen.clear();
        host->refuse(Service::File, row.refuse);
        host->setStoreFault(row.reset ? std::optional(host::FileFault{0, End::Reset}) : std::nullopt);
        EXPECT_FALSE(SendFileToHost(row.local, "/u/out/inv100.pdf")) << row.id;
        ASSERT_EQ(boxes.texts(), std::vector<std::string>{row.text}) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, row.caption) << row.id;
        EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        expectSettled(row.id);
    }
    // The host was told of the failed read by a reset and stored nothing.
    ASSERT_TRUE(host->waitForEnded(Service::File, 3));
    EXPECT_EQ(host->connections().back().received, "TBSF 1/u/out/inv100.pdf\n");
    EXPECT_FALSE(std::filesystem::exists(host->localPath("/u/out/inv100.pdf")));
}

TEST_F(FileTransfer, TenMegabytesThereAndBackUnchanged)
{
    std::string document(10 * 1024 * 1024, '\0');
    std::mt19937 random(4711);
    for (char& byte : document)
        byte = static_cast<char>(random());
    writeHostFile("/u/docs/big.pdf", document);

    FetchHostFile(1, "/u/docs/big.pdf");
    ASSERT_TRUE(boxes.boxes().empty()) << boxes.texts()[0];
    ASSERT_TRUE(install.read(globals.UnsignedPdfPath) == document) << "fetched copy differs";

    globals.OverwriteTarget = true;
    ASSERT_TRUE(SendFileToHost(globals.UnsignedPdfPath, "/u/signed/big.pdf"));
    ASSERT_TRUE(host->waitForEnded(Service::File, 2, 30000));
    EXPECT_TRUE(hostFile("/u/signed/big.pdf") == document) << "stored copy differs";
    EXPECT_TRUE(boxes.boxes().empty());
    expectSettled("round trip");
}
