// The README's demo as a new user runs it, with a scripted signature: host, station, pad, signed PDF.
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Demo, ScriptedSigningLandsAtTheTarget)
{
    QTemporaryDir folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Ports of this run alone: a demo of another suite on the machine holds the fixed ones.
    for (const char* port : {"STYLARA_PC_PORT", "STYLARA_HOST_PORT", "STYLARA_FILE_PORT"})
        env.insert(port, QString::number(testing_support::freePort()));
    env.insert("STYLARA_DEMO_NO_SETUP", "1");
    env.insert("STYLARA_BUILD_DIR", STYLARA_BUILD_DIR);
    env.insert("STYLARA_DEMO_DIR", folder.path());
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(STYLARA_SOURCE_DIR "/scripts/demo", {"--scripted"});
    ASSERT_TRUE(demo.waitForFinished(170000)) << demo.readAll().toStdString();
    const std::string output = demo.readAll().toStdString();
    EXPECT_EQ(demo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(demo.exitCode(), 0) << output;
    EXPECT_NE(output.find("Signed: " + folder.path().toStdString() + "/drives/c/Signed/inv100.pdf"), std::string::npos)
        << output;
}

TEST(Demo, APortHeldByAnotherProgramIsNamedBeforeAnythingStarts)
{
    for (const char* held : {"STYLARA_PC_PORT", "STYLARA_HOST_PORT", "STYLARA_FILE_PORT"}) {
        QTcpServer other;
        ASSERT_TRUE(other.listen(QHostAddress::LocalHost));
        QTemporaryDir folder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* port : {"STYLARA_PC_PORT", "STYLARA_HOST_PORT", "STYLARA_FILE_PORT"})
            env.insert(port,
                       QString::number(port == std::string(held) ? other.serverPort() : testing_support::freePort()));
        env.insert("STYLARA_DEMO_NO_SETUP", "1");
        env.insert("STYLARA_BUILD_DIR", STYLARA_BUILD_DIR);
        env.insert("STYLARA_DEMO_DIR", folder.filePath("demo"));
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.setProcessChannelMode(QProcess::MergedChannels);
        demo.start(STYLARA_SOURCE_DIR "/scripts/demo", {"--scripted"});
        ASSERT_TRUE(demo.waitForFinished(30000)) << held;
        const std::string output = demo.readAll().toStdString();
        EXPECT_EQ(demo.exitCode(), 1) << held;
        const std::string named = "port " + std::to_string(other.serverPort()) + " (" + held + ") is taken";
        EXPECT_NE(output.find(named), std::string::npos) << output;
        EXPECT_FALSE(QDir(folder.filePath("demo")).exists()) << held << ": nothing was started";
    }
}
