// The built viewer as a person starts it: beside the station, and beside the host simulator.
#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/PcRequest.h"
#include "host/Replies.h"

#include <QDir>
#include <QPdfDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_support::TempInstall;
using testing_support::waitUntil;
using testing_support::freePort;
using testing_support::waitUntilListening;

namespace {

class Program {
public:
    Program(const char* path, int port, const std::vector<std::pair<QString, QString>>& more = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("STYLARA_PC_PORT", QString::number(port));
        env.insert("STYLARA_BOXES", "log");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("STYLARA_PAD", "hidden");
        for (const auto& [name, value] : more)
            env.insert(name, value);
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(testing_support::builtProgram(path)), {});
        process.waitForStarted();
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QProcess process;
};

} // namespace

TEST(ViewerProgram, OnlyOneOfTheTwoProgramsRuns)
{
    struct Row {
        const char* first;
        const char* second;
    };
    const Row rows[] = {{"station/tablet", "viewer/orbiscan"}, {"viewer/orbiscan", "station/tablet"}};
    for (const Row& row : rows) {
        TempInstall install;
        const int port = freePort();
        Program first(row.first, port);
        ASSERT_TRUE(waitUntilListening(port))
            << row.first << ": " << first.process.readAllStandardError().toStdString();
        Program second(row.second, freePort());
        ASSERT_TRUE(second.process.waitForFinished(60000)) << row.second;
        EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit) << row.second;
        EXPECT_EQ(second.process.exitCode(), 0) << row.second;
        EXPECT_EQ(second.process.readAllStandardError().toStdString(), "") << row.second << " ends without a word";
    }
}

TEST(ViewerProgram, APortSettingThatIsNoPortStopsEitherProgramAtOnce)
{
    struct Row {
        const char* program;
        const char* setting;
        const char* value;
        bool runs; // a port from 1 to 65535: the program starts
    };
    const Row rows[] = {
        {"station/tablet", "STYLARA_PC_PORT", "abc", false},
        {"station/tablet", "STYLARA_PC_PORT", "0", false},
        {"station/tablet", "STYLARA_PC_PORT", "70000", false},
        {"station/tablet", "STYLARA_PC_PORT", "-1", false},
        {"station/tablet", "STYLARA_PC_PORT", "", false},
        {"station/tablet", "STYLARA_PC_PORT", "24613x", false},
        {"station/tablet", "STYLARA_HOST_PORT", " 7070", false},
        {"station/tablet", "STYLARA_FILE_PORT", "65536", false},
        {"viewer/orbiscan", "STYLARA_PC_PORT", "+6070", false},
        {"viewer/orbiscan", "STYLARA_HOST_PORT", "", false},
        {"viewer/orbiscan", "STYLARA_FILE_PORT", "0x1b", false},
        {"station/tablet", "STYLARA_HOST_PORT", "65535", true},
        {"viewer/orbiscan", "STYLARA_FILE_PORT", "1", true},
    };
    for (const Row& row : rows) {
        const std::string id = std::string(row.program) + " " + row.setting + "=\"" + row.value + "\"";
        TempInstall install;
        // The start-up empties Temp: a file left there shows that it never ran.
        install.write("C:\\Stylara\\Temp\\left.txt", "x");
        const int port = freePort();
        Program program(row.program, port, {{row.setting, row.value}});
        if (row.runs) {
            EXPECT_TRUE(waitUntilListening(port)) << id << program.process.readAllStandardError().toStdString();
            continue;
        }
        ASSERT_TRUE(program.process.waitForFinished(30000)) << id;
        EXPECT_EQ(program.process.exitCode(), 1) << id;
        const std::string caption = row.program == std::string("station/tablet") ? "Norvane Stylara - Error"
                                                                                 : "Norvane Stylara PDF Viewer - Error";
        const std::string box =
            caption + " | error | " + row.setting + " is \"" + row.value + "\", not a port from 1 to 65535.\n";
        EXPECT_EQ(program.process.readAllStandardError().toStdString(), box) << id;
        EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\left.txt")) << id << ": nothing of the start-up ran";
    }
}

TEST(ViewerProgram, PrintsTheHostsTextIntoThePrintFolder)
{
    TempInstall install;
    QTemporaryDir hostFolder, printFolder;
    host::HostSimulator host(hostFolder.path().toStdString());
    host::Handshake job;
    job.m.mode = '2';
    job.m.textMode = true;
    job.m.printCopies = 1;
    job.textPath = "/usr/docs/report.txt";
    host.script("TBVR 0", job.responder());
    std::filesystem::create_directories(host.localPath("/usr/docs"));
    {
        std::ofstream text(host.localPath(job.textPath), std::ios::binary);
        for (int i = 1; i <= 61; ++i)
            text << "REPORT LINE " << i << "\r\n";
    }

    const int port = freePort();
    Program viewer("viewer/orbiscan", port,
                   {{"STYLARA_HOST_PORT", QString::number(host.linePort())},
                    {"STYLARA_FILE_PORT", QString::number(host.filePort())},
                    {"STYLARA_PRINT_DIR", printFolder.path()}});
    ASSERT_TRUE(waitUntilListening(port))
        << viewer.process.readAllStandardError().toStdString();
    ASSERT_TRUE(host::sendRequest("127.0.0.1", port, "TBCR N00127.0.0.1 report"));

    // The job's file is whole once it loads with both its pages.
    QPdfDocument pdf;
    const QString file = printFolder.filePath("job-0001.pdf");
    EXPECT_TRUE(waitUntil(
        [&] { return QFile::exists(file) && pdf.load(file) == QPdfDocument::Error::None && pdf.pageCount() == 2; },
        15000))
        << viewer.process.readAllStandardError().toStdString();
    EXPECT_NE(pdf.getAllText(0).text().indexOf("REPORT LINE 60"), -1);
    EXPECT_EQ(pdf.getAllText(1).text().trimmed().toStdString(), "REPORT LINE 61");
    EXPECT_EQ(pdf.metaData(QPdfDocument::MetaDataField::Title).toString().toStdString(), "Norvane Stylara PDF Viewer");
    EXPECT_EQ(viewer.process.state(), QProcess::Running);
}
