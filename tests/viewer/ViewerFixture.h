#pragma once

#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/Replies.h"
#include "print/InstalledPrinters.h"
#include "print/Printer.h"
#include "print/RecordingDevice.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "viewer/Config_form.h"
#include "viewer/Globals.h"
#include "win/Shell.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The viewer in-process on a private installation, both forms created as at start, against the host
// simulator on loopback: every box recorded with the window brought to the front before it, every
// print job recorded, every shell open recorded.
class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The host's answer to "TBVR 0": a text to print in mode "2", one copy, with this text file.
    static host::Handshake printJob();
    void writeHostFile(const std::string& hostPath, const std::string& bytes) const;
    // The bytes the PC sent on its last line connection, once the connection has ended.
    std::string lineReceived() const;
    std::vector<std::string> fileCommands() const; // the bytes of every file connection

    // Sends a request to the viewer's listener and runs the event loop until the condition holds.
    bool sendRequest(const std::string& text, const std::function<bool()>& handled);

    // Each box as "caption | text".
    std::vector<std::string> boxLines() const;

    testing_support::TempInstall install;
    QTemporaryDir hostFolder;
    std::vector<QWidget*> fronts; // the window brought to the front last when each box came
    ui::BoxRecorder boxes{[this](const ui::Box& box) {
        fronts.push_back(ui::lastWindowBroughtToFront());
        return box.defaultAnswer();
    }};
    win::ShellRecorder shell;
    print::RecordingDevice printed;
    std::unique_ptr<host::HostSimulator> host;
    int pcPort = 0;
};
