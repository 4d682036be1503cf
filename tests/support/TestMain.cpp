// One main for every test program: a QApplication on the offscreen platform, then GoogleTest.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("STYLARA_PAD", "hidden", 0);
    // Qt warns on every start without a runtime folder: the program and what it starts get one of
    // their own, gone with it.
    std::string runtime;
    if (const char* set = std::getenv("XDG_RUNTIME_DIR"); !set || !*set) {
        std::string pattern = (std::filesystem::temp_directory_path() / "stylara-test-run.XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            runtime = pattern;
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (!runtime.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime, ignored);
    }
    return result;
}
