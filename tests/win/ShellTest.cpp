#include "win/Shell.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using testing_support::TempInstall;

namespace {

// A stand-in xdg-open first on the PATH: it writes down the file it was given and ends as told.
class FakeOpener {
public:
    explicit FakeOpener(const TempInstall& install) : m_bin(install.root() + "/bin"), m_path(std::getenv("PATH")) {
        std::filesystem::create_directories(m_bin);
        setenv("PATH", (m_bin + ":" + m_path).c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", m_path.c_str(), 1); }

    void script(const std::string& body) {
        const std::string file = m_bin + "/xdg-open";
        std::ofstream(file) << "#!/bin/sh\necho \"$1\" > " << given() << "\n" << body << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    void remove() { std::filesystem::remove(m_bin + "/xdg-open"); }
    std::string given() const { return m_bin + "/given"; }

private:
    std::string m_bin;
    std::string m_path;
};

long open(const std::string& file) {
    return win::ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, win::SW_SHOWNORMAL);
}

} // namespace

TEST(Shell, OpenHandsTheNativeFileToXdgOpenAndMapsHowItEnds) {
    TempInstall install;
    install.write("C:\\Docs\\Inv100.pdf", "%PDF-1.4\n");
    FakeOpener opener(install);
    struct Row {
        const char* id;
        const char* script;
        long result; // 33: any success
    };
    const Row rows[] = {
        {"opened", "exit 0", 33},
        {"file not found", "exit 2", 2},
        {"no tool for the desktop", "exit 3", 31},
        {"the program failed", "exit 4", 31},
        {"viewer keeps running", "sleep 5", 33},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(opener.given());
        opener.script(row.script);
        const long result = open("C:\\Docs\\Inv100.pdf");
        if (row.result > 32)
            EXPECT_GT(result, 32) << row.id;
        else
            EXPECT_EQ(result, row.result) << row.id;
        std::ifstream given(opener.given());
        std::string file;
        std::getline(given, file);
        EXPECT_EQ(file, install.native("C:\\Docs\\Inv100.pdf")) << row.id;
    }
    opener.remove();
    EXPECT_EQ(open("C:\\Docs\\Inv100.pdf"), 31) << "no xdg-open: no program to open it";
}

TEST(Shell, MissingFileOrFolderIsRefusedBeforeAnythingRuns) {
    TempInstall install;
    install.write("C:\\Docs\\Inv100.pdf", "%PDF-1.4\n");
    FakeOpener opener(install);
    opener.script("exit 0");
    EXPECT_EQ(open("C:\\Docs\\Inv101.pdf"), 2);
    EXPECT_EQ(open("C:\\Nowhere\\Inv100.pdf"), 3);
    EXPECT_EQ(win::ShellExecuteA(nullptr, "print", "C:\\Docs\\Inv100.pdf", nullptr, nullptr, 1), 31);
    EXPECT_FALSE(std::filesystem::exists(opener.given()));
}
