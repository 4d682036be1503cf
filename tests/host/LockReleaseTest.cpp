// "TBDL " on the line connection, and the local lock file when the result stays on Windows.
#include "WireFixture.h"
#include "station/Session.h"
#include "station/Socket_io.h"

using host::End;
using host::Reply;

class LockRelease : public WireFixture {};

TEST_F(LockRelease, LockNameOfTheTarget)
{
    struct Row {
        const char* id;
        std::string target;
        std::string lock; // empty: refused, nothing sent
    };
    const std::string name122(122, 'n');
    const Row rows[] = {
        {"four characters, .pdf itself", ".pdf", ".pdf.nvk"},
        {"four characters", "abcd", "abcd.nvk"},
        {"five characters ending .pdf", "x.pdf", "x.nvk"},
        {"three-character extension", "/u/signed/inv100.pdf", "/u/signed/inv100.nvk"},
        {"two-character extension", "/u/signed/inv100.tx", "/u/signed/inv100.tx.nvk"},
        {"one-character extension", "/u/signed/inv100.t", "/u/signed/inv100.t.nvk"},
        {"no extension", "/u/signed/inv100", "/u/signed/inv100.nvk"},
        {"123 characters without extension", "/" + name122, "/" + name122 + ".nvk"},
        {"124 characters without extension", "/" + name122 + "n", ""},
        {"127 characters with extension", "/" + name122 + ".pdf", "/" + name122 + ".nvk"},
        {"128 characters with extension", "/" + name122 + "n.pdf", ""},
    };
    globals.ResultToHost = true;
    openLine();
    std::string wire;
    for (const Row& row : rows) {
        ReleaseDocumentLock(row.target);
        if (!row.lock.empty())
            wire += "TBDL " + row.lock + "\n";
        // A released lock has been answered, so its line stands in the record.
        EXPECT_EQ(host->connections().back().received, wire) << row.id;
        EXPECT_TRUE(form_config->ClientSocket.Active()) << row.id;
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LockRelease, HostReplies)
{
    struct Row {
        const char* id;
        Reply reply;
        std::vector<std::string> boxes;
        bool stillOpen;
    };
    const std::string invalid = "Invalid response from server (DL).";
    const Row rows[] = {
        {"DL0", host::lines({"DL0"}), {}, true},
        {"+TBUS then DL0", host::lines({"+TBUS", "DL0"}), {}, true},
        {"+TBUS then +TBUS", host::lines({"+TBUS", "+TBUS"}), {invalid}, false},
        {"DL0 and a carriage return", host::lines({"DL0\r"}), {invalid}, false},
        {"DL0 and a blank", host::lines({"DL0 "}), {invalid}, false},
        {"lower case", host::lines({"dl0"}), {invalid}, false},
        {"error line", host::lines({"-Lock file not found"}), {"Lock file not found"}, false},
        {"error line after +TBUS", host::lines({"+TBUS", "-Busy"}), {"Busy"}, false},
        {"host closes", {"", End::Close}, {invalid}, false},
        {"receive failure", {"", End::Reset}, {"PROBLEM!  Closing socket!"}, false},
    };
    globals.ResultToHost = true;
    for (const Row& row : rows) {
        boxes.clear();
        seen.clear();
        host->script("TBDL ", row.reply);
        openLine();
        ReleaseDocumentLock("/u/signed/inv100.pdf");
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        if (!row.boxes.empty() && row.boxes[0] == invalid) {
            EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara - Error") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        }
        for (const Seen& box : seen)
            EXPECT_EQ(box.front, form_adobe) << row.id;
        EXPECT_EQ(form_config->ClientSocket.Active(), row.stillOpen) << row.id;
        EXPECT_EQ(host->connections().back().received, "TBDL /u/signed/inv100.nvk\n") << row.id;
        form_config->ClientSocket.Close();
    }
}

TEST_F(LockRelease, ANewerRequestKeepsItsConnection)
{
    // While the box stands, a new request takes the station on and opens the line connection anew.
    globals.ResultToHost = true;
    host->script("TBDL ", host::lines({"DL1"}));
    openLine();
    ui::BoxRecorder duringBox([this](const ui::Box& box) {
        TakeOnRequest();
        openLine();
        return box.defaultAnswer();
    });
    ReleaseDocumentLock("/u/signed/inv100.pdf");
    EXPECT_EQ(duringBox.texts(), std::vector<std::string>{"Invalid response from server (DL)."});
    EXPECT_TRUE(form_config->ClientSocket.Active()) << "the newer request's connection stays open";
    form_config->ClientSocket.Close();
}

TEST_F(LockRelease, LocalLockFileIsDeleted)
{
    globals.ResultToHost = false;
    install.write("C:\\Signed\\inv100.pdf", "%PDF");
    install.write("C:\\Signed\\inv100.nvk", "");
    ReleaseDocumentLock("C:\\Signed\\inv100.pdf");
    EXPECT_FALSE(install.exists("C:\\Signed\\inv100.nvk"));
    EXPECT_TRUE(install.exists("C:\\Signed\\inv100.pdf"));
    // Without a lock file there is nothing to do.
    ReleaseDocumentLock("C:\\Signed\\inv100.pdf");

    // A name too long for the lock buffer is refused whole: not even the file it names goes.
    const std::string longTarget = "C:\\Signed\\" + std::string(120, 'n') + ".pdf";
    const std::string longLock = "C:\\Signed\\" + std::string(120, 'n') + ".nvk";
    install.write(longLock, "");
    ReleaseDocumentLock(longTarget);
    EXPECT_TRUE(install.exists(longLock));

    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(host->connections().empty()) << "the host is not asked";
}
