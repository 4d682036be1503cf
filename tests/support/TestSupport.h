#pragma once

#include "ui/MessageBox.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace testing_support {

// A private installation for one test: its own drives root, registry file and runtime folder, with
// "C:\Stylara" registered as the installation directory, its Temp folder made and the pad driver's
// "C:\windows\SigPlus.ini" naming the emulated model, as the installer leaves them; the current
// directory is drive C's root.
class TempInstall {
public:
    explicit TempInstall(const std::string& registeredDir = "C:\\Stylara");
    ~TempInstall();

    std::string root() const;                                 // native folder of the whole sandbox
    std::string native(const std::string& windowsPath) const; // where a Windows path lands
    void write(const std::string& windowsPath, const std::string& contents) const;
    std::string read(const std::string& windowsPath) const;
    bool exists(const std::string& windowsPath) const;
    void writeRegistry(const std::string& text) const; // the whole registry file

private:
    QTemporaryDir m_dir;
};

// While it lives, no file of this process may grow past the given size: writes beyond it fail as on
// a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long m_savedCurrent;
};

// While it lives, this process can open no further file: every open fails as when the process has
// used up its descriptors.
class NoFreeDescriptors {
public:
    NoFreeDescriptors();
    ~NoFreeDescriptors();
    NoFreeDescriptors(const NoFreeDescriptors&) = delete;
    NoFreeDescriptors& operator=(const NoFreeDescriptors&) = delete;

private:
    unsigned long long m_savedCurrent;
};

// Records every message box and answers it with its default button, letting onBox see it first: a
// test may let another request in there, as the modal loop of a real box would.
class WatchedBoxes : public ui::BoxRecorder {
public:
    WatchedBoxes()
        : ui::BoxRecorder([this](const ui::Box& box) {
              // A copy runs, so the hook may clear or replace itself.
              if (const auto hook = onBox)
                  hook(box);
              return box.defaultAnswer();
          })
    {
    }

    std::function<void(const ui::Box&)> onBox;
};

// Runs the event loop until the condition holds or the time is up; true when it holds.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000);

// A loopback port that was free a moment ago, and whether something listens on a loopback port.
int freePort();
bool listening(int port);
// Runs the event loop until something listens on the loopback port: a started program, which in the
// sanitized build on a loaded machine may take many seconds to get there.
bool waitUntilListening(int port, int milliseconds = 60000);

// The bytes of a file as they stand; empty when it cannot be read.
std::string fileContents(const std::string& nativePath);

// The lines that message boxes wrote to a program's standard error where STYLARA_BOXES is "log", one
// "title | kind | text" line each, in the order shown.
std::string messageBoxLines(const QByteArray& standardError);

// What a program writes to its standard output and error, run to its end (20 seconds at most).
std::string programOutput(const QString& program, const QStringList& arguments);

// The exit code of "qpdf --check" on the file: 0 for a whole PDF, -1 when qpdf did not end in time.
int qpdfCheck(const std::string& path);

// The path of a built program (a compile definition names the build folder).
std::string builtProgram(const std::string& relativePath);

// A program started in-process on a private installation, listening on a free port of its own
// (STYLARA_PC_PORT), every message box recorded; the program's own routines reset its shared record
// before and destroy its forms after each test.
template <void (*resetGlobals)(), void (*destroyForms)()> class InProcessProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGlobals();
        setenv("STYLARA_PC_PORT", std::to_string(port).c_str(), 1);
    }
    void TearDown() override
    {
        destroyForms();
        unsetenv("STYLARA_PC_PORT");
    }

    TempInstall install;
    ui::BoxRecorder boxes;
    int port = freePort();
};

} // namespace testing_support
