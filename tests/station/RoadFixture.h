#pragma once

#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/PdfMaker.h"
#include "host/Replies.h"
#include "print/InstalledPrinters.h"
#include "print/Printer.h"
#include "print/RecordingDevice.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Shell.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The station started in-process as at start on a private installation ("tablet.ini" showing PDFs),
// the host simulator on loopback with its documents, every box, shell open and print job recorded.
class RoadFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends one request to the station's port and runs the loop until the station has dealt with it.
    void request(const std::string& text);
    // The host answers the next "TBRR" with these lines (the extension lines only after "TBRR 1").
    void serve(const host::Handshake& handshake);
    void serveLines(const std::vector<std::string>& lines, host::End end = host::End::Stay);

    void writeHostFile(const std::string& hostPath, const std::string& bytes) const;
    // What the station sent on each line connection, and the command of each file connection.
    std::vector<std::string> lineTraffic() const;
    std::vector<std::string> fileCommands() const;
    // The names in the Temp folder, sorted.
    std::vector<std::string> tempFiles() const;
    // The pad's LCD against a picture in tests/data.
    void expectPadScreen(const std::string& picture, const std::string& id = "") const;

    static std::string blanks(size_t count) { return std::string(count, ' '); }

    testing_support::TempInstall install;
    QTemporaryDir hostFolder;
    std::unique_ptr<host::HostSimulator> host;
    testing_support::WatchedBoxes boxes;
    win::ShellRecorder shell;
    print::RecordingDevice printed;
    int pcPort = 0;
    int dispatched = 0;
    const std::string hostPdf = host::MakeHostPdf({});
};
