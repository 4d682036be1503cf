// The built station as a process of its own, driven by the host simulator over its real ports: a
// signature request runs the handshake and fetches the document, a view request opens the signed PDF
// with the desktop's opener.
#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/PcRequest.h"
#include "host/PdfMaker.h"
#include "host/Replies.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using host::Service;
using testing_support::fileContents;
using testing_support::freePort;
using testing_support::waitUntil;
using testing_support::waitUntilListening;

TEST(ProgramRoad, RequestsFromTheHostReachTheRunningStation)
{
    testing_support::TempInstall install;
    install.write("C:\\Stylara\\tablet.ini", "[PDF]\r\nDISPLAY=1\r\n");
    QTemporaryDir hostFolder;
    host::HostSimulator host(hostFolder.path().toStdString());
    const std::string pdf = host::MakeHostPdf({});
    for (const char* path : {"/usr/docs/inv100.pdf", "/usr/signed/inv100.pdf"}) {
        std::filesystem::create_directories(std::filesystem::path(host.localPath(path)).parent_path());
        std::ofstream(host.localPath(path), std::ios::binary) << pdf;
    }
    host.script("TBRR", host::Handshake{}.responder());

    // The desktop's opener, replaced by one that notes what it was given.
    const std::string bin = install.root() + "/bin";
    const std::string opened = install.root() + "/opened";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);

    const int pcPort = freePort();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("STYLARA_PC_PORT", QString::number(pcPort));
    env.insert("STYLARA_HOST_PORT", QString::number(host.linePort()));
    env.insert("STYLARA_FILE_PORT", QString::number(host.filePort()));
    env.insert("STYLARA_BOXES", "log");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("PATH", QString::fromStdString(bin) + ":" + env.value("PATH"));
    QProcess station;
    station.setProcessEnvironment(env);
    station.start(QString::fromStdString(testing_support::builtProgram("station/tablet")), {});
    ASSERT_TRUE(station.waitForStarted());
    ASSERT_TRUE(waitUntilListening(pcPort)) << station.readAllStandardError().toStdString();

    ASSERT_TRUE(host::sendRequest("127.0.0.1", pcPort, "TBCR N00127.0.0.1 job42"));
    const bool fetched = host.waitFor(
        [](const std::vector<host::ConnectionRecord>& records) {
            for (const host::ConnectionRecord& record : records)
                if (record.service == Service::File && record.ended)
                    return true;
            return false;
        },
        10000);
    ASSERT_TRUE(fetched);
    const std::vector<host::ConnectionRecord> lines = host.connections(Service::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].received, "TBRR 1127.0.0.1" + std::string(16, ' ') + "job42\n");
    EXPECT_EQ(host.connections(Service::File)[0].received, "TBGF 0/usr/docs/inv100.pdf\n");
    EXPECT_TRUE(waitUntil([&] { return fileContents(install.native("C:\\Stylara\\Temp\\unsigned.pdf")) == pdf; }));

    ASSERT_TRUE(host::sendRequest("127.0.0.1", pcPort, "TBTR N127.0.0.1 /usr/signed/inv100.pdf"));
    const std::string copy = install.native("C:\\Stylara\\Temp\\inv100.pdf");
    EXPECT_TRUE(waitUntil([&] { return fileContents(opened) == copy + "\n"; }, 10000)) << fileContents(opened);
    EXPECT_TRUE(host.waitForEnded(Service::Line, 1)) << "the signing gave way to the view";

    station.kill();
    station.waitForFinished();
    EXPECT_EQ(testing_support::messageBoxLines(station.readAllStandardError()),
              "Norvane Stylara | warning | A view signed PDF document request was received.  The current "
              "session will be canceled.\n");
}
