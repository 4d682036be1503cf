// The free numbered name of a Windows target and the path helpers it is built of.
#include "TestSupport.h"
#include "signing/Sig_delivery.h"
#include "station/Globals.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>

TEST(Numbering, PathHelpers)
{
    struct Row {
        const char* path;
        const char* fileName;
        const char* extension;
        std::int32_t number; // NumberAfterLastDash of the file name
    };
    const Row rows[] = {
        {"C:\\Docs\\Inv100.pdf", "Inv100.pdf", "pdf", 1},
        {"/u/signed/Inv100-0004.PDF", "Inv100-0004.PDF", "pdf", 4},
        {"C:\\Docs/a.b.pdf", "a.b.pdf", "b.pdf", 1},
        {"my-file.pdf", "my-file.pdf", "pdf", 0},
        {"C:\\Docs\\x-12.y-7", "x-12.y-7", "y-7", 12},
        {"C:\\Docs\\Inv100", "Inv100", "", 1},
        {"C:\\Docs\\", "", "", 1},
        {"a- +42x.pdf", "a- +42x.pdf", "pdf", 42},
        {"a-99999999999.pdf", "a-99999999999.pdf", "pdf", INT32_MAX},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FileNameOfPath(row.path), row.fileName) << row.path;
        EXPECT_EQ(ExtensionOfPath(row.path), row.extension) << row.path;
        EXPECT_EQ(NumberAfterLastDash(row.fileName), row.number) << row.path;
    }
    EXPECT_EQ(TextToLong("  -17abc"), -17);
    EXPECT_EQ(TextToLong("x1"), 0);
}

TEST(Numbering, NextFreeTargetName)
{
    struct Row {
        const char* id;
        const char* target;
        int extensionCount;
        std::vector<const char*> extensions;
        std::vector<const char*> existing; // in C:\Docs
        const char* result;                // nullptr: no number left
    };
    const Row rows[] = {
        {"first number", "C:\\Docs\\Inv100.pdf", 1, {"pdf"}, {"Inv100.pdf"}, "C:\\Docs\\Inv100-0002.pdf"},
        {"any listed extension takes a number",
         "C:\\Docs\\Inv100.pdf",
         2,
         {"pdf", "tif"},
         {"Inv100.pdf", "Inv100-0002.pdf", "Inv100-0003.tif"},
         "C:\\Docs\\Inv100-0004.pdf"},
        {"a folder takes it too",
         "C:\\Docs\\Inv100.pdf",
         1,
         {"pdf"},
         {"Inv100.pdf", "Inv100-0002.pdf/"},
         "C:\\Docs\\Inv100-0003.pdf"},
        {"starts at the target's number",
         "C:\\Docs\\Inv100-0004.pdf",
         1,
         {"pdf"},
         {"Inv100-0004.pdf"},
         "C:\\Docs\\Inv100-0005.pdf"},
        {"extension in lower case, base as it was",
         "C:\\Docs\\Report.PDF",
         1,
         {"pdf"},
         {"Report.PDF", "Report.pdf"},
         "C:\\Docs\\Report-0002.pdf"},
        {"long extension cut to three", "C:\\Docs\\x.html", 1, {"pdf"}, {"x.html"}, "C:\\Docs\\x.html.htm"},
        {"two-character extension marked", "C:\\Docs\\x.ps", 1, {"pdf"}, {"x.ps", "x.pdf"}, "C:\\Docs\\x-0002.ps~"},
        {"no extension", "C:\\Docs\\Inv100", 1, {"pdf"}, {"Inv100", "Inv100.pdf"}, "C:\\Docs\\Inv100-0002."},
        {"extension from the first dot", "C:\\Docs\\a.b.pdf", 1, {"pdf"}, {"a.b.pdf"}, "C:\\Docs\\a.b-0002.b.p"},
        {"a word after the dash", "C:\\Docs\\my-file.pdf", 1, {"pdf"}, {"my-file.pdf"}, "C:\\Docs\\my-0000.pdf"},
        {"9998 is the last number", "C:\\Docs\\Inv-9997.pdf", 1, {"pdf"}, {"Inv-9997.pdf"}, "C:\\Docs\\Inv-9998.pdf"},
        {"9998 taken", "C:\\Docs\\Inv-9998.pdf", 1, {"pdf"}, {"Inv-9998.pdf"}, nullptr},
        {"9999 at once", "C:\\Docs\\Inv-9999.pdf", 1, {"pdf"}, {"Inv-9999.pdf"}, nullptr},
        {"a larger number at once", "C:\\Docs\\Inv-123456.pdf", 1, {"pdf"}, {"Inv-123456.pdf"}, nullptr},
        // The host's table need not list the target's own extension: the existing document still
        // holds its name.
        {"no table", "C:\\Docs\\Inv100.pdf", 0, {}, {"Inv100.pdf"}, "C:\\Docs\\Inv100-0002.pdf"},
        {"table not received", "C:\\Docs\\Inv100.pdf", -1, {}, {"Inv100.pdf"}, "C:\\Docs\\Inv100-0002.pdf"},
        {"own extension not listed",
         "C:\\Docs\\Inv100.pdf",
         1,
         {"tif"},
         {"Inv100.pdf", "Inv100-0002.tif"},
         "C:\\Docs\\Inv100-0003.pdf"},
    };
    for (const Row& row : rows) {
        testing_support::TempInstall install;
        ui::BoxRecorder boxes;
        for (const char* name : row.existing) {
            const std::string path = "C:\\Docs\\" + std::string(name);
            if (path.back() == '/')
                std::filesystem::create_directories(install.native(path.substr(0, path.size() - 1)));
            else
                install.write(path, "x");
        }
        ResetGlobals();
        globals.TargetPath = row.target;
        globals.ExtensionCount = row.extensionCount;
        for (size_t i = 0; i < row.extensions.size(); ++i)
            std::strcpy(globals.ExtensionTable[i], row.extensions[i]);

        EXPECT_EQ(NextFreeTargetName(), row.result != nullptr) << row.id;
        if (row.result) {
            EXPECT_EQ(globals.TargetPath, row.result) << row.id;
            EXPECT_TRUE(boxes.boxes().empty()) << row.id;
        } else {
            EXPECT_EQ(globals.TargetPath, row.target) << row.id << ": unchanged";
            ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
            EXPECT_EQ(boxes.boxes()[0].text,
                      "No further images are available!  File capacity of 9,999 has been reached!");
            EXPECT_EQ(boxes.boxes()[0].caption, "Error");
            EXPECT_EQ(boxes.boxes()[0].icon(), "error");
        }
    }
}
