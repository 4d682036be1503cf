// The README's shell examples, run as a person would paste them, one after the other in one shell, in a
// scratch installation: each must do what the README says it does, also when it is run a second time.
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The ```sh blocks of the text, in order.
std::vector<std::string> shellBlocks(const std::string& text)
{
    std::vector<std::string> blocks;
    const std::string open = "```sh\n", close = "\n```";
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        at += open.size();
        const size_t end = text.find(close, at);
        if (end == std::string::npos)
            break;
        blocks.push_back(text.substr(at, end - at));
        at = end;
    }
    return blocks;
}

std::string readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void writeProgram(const QString& path, const std::string& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The examples use the fixed ports 6070, 7070 and 7071: they run on a loopback of their own, so that
// another suite on the machine cannot hold those ports. Only system calls here: this runs between fork
// and exec.
bool ownLoopback()
{
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (unshare(uid == 0 ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    if (uid != 0) {
        char map[64];
        const auto put = [](const char* path, const char* text) {
            const int fd = ::open(path, O_WRONLY);
            const bool ok = fd >= 0 && ::write(fd, text, strlen(text)) == static_cast<ssize_t>(strlen(text));
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        put("/proc/self/setgroups", "deny");
        snprintf(map, sizeof map, "0 %u 1", static_cast<unsigned>(uid));
        if (!put("/proc/self/uid_map", map))
            return false;
        snprintf(map, sizeof map, "0 %u 1", static_cast<unsigned>(gid));
        if (!put("/proc/self/gid_map", map))
            return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP | IFF_RUNNING, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0)
        ::close(fd);
    return up;
}

const int noLoopback = 77;

} // namespace

TEST(Readme, ShellExamplesDoWhatTheySay)
{
    const std::vector<std::string> blocks = shellBlocks(readAll(STYLARA_SOURCE_DIR "/README.md"));
    ASSERT_GE(blocks.size(), 4u) << "the set-up, the pen, the viewer and the same-machine examples";

    // A scratch tree: the scripts as they are, the build as built, and a set-up with nothing left to do.
    QTemporaryDir scratch;
    QDir root(scratch.path());
    for (const char* folder : {"tree/scripts", "home", "run", "stubs"})
        ASSERT_TRUE(root.mkpath(folder));
    QFile::setPermissions(scratch.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& script : QDir(STYLARA_SOURCE_DIR "/scripts").entryList(QDir::Files))
        if (script != "setup")
            QFile::link(STYLARA_SOURCE_DIR "/scripts/" + script, scratch.filePath("tree/scripts/" + script));
    writeProgram(scratch.filePath("tree/scripts/setup"), "#!/bin/sh\necho 'Built (the test built it before).'\n");
    QFile::link(STYLARA_BUILD_DIR, scratch.filePath("tree/build"));
    // The desktop's opener: it keeps what it was asked to show.
    writeProgram(scratch.filePath("stubs/xdg-open"), "#!/bin/sh\ncp \"$1\" \"$OPENED\"\n");

    // The examples between the set-up and the last, which leaves the station waiting for a signer, run
    // twice in a row. Between the runs what the first made is dated back and the opened PDF goes, so a
    // result found at the end with an old date, or none, is not the second run's.
    const std::string markStart = "touch \"$HOME/run-started\"\n";
    const std::string ageFirstRun = "find \"$HOME/stylara-example\" -newer \"$HOME/run-started\" -exec touch -h -d "
                                    "2000-01-01 {} +\nrm -f \"$OPENED\"\n";
    std::string script = "set -e\n";
    for (size_t i = 0; i < blocks.size(); ++i) {
        const bool twice = i > 0 && i + 1 < blocks.size();
        for (int run = 1; run <= (twice ? 2 : 1); ++run)
            script += "echo '@@ block " + std::to_string(i) + " run " + std::to_string(run) + "'\n" +
                      (twice && run == 1 ? markStart : "") + blocks[i] + "\n" + (twice && run == 1 ? ageFirstRun : "");
    }
    script += "echo '@@ all blocks ran'\n";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys())
        if (name.startsWith("STYLARA_") || name == "QT_QPA_PLATFORM" || name == "DISPLAY" || name == "WAYLAND_DISPLAY")
            env.remove(name);
    env.insert("HOME", scratch.filePath("home"));
    env.insert("XDG_RUNTIME_DIR", scratch.filePath("run"));
    env.insert("PATH", scratch.filePath("stubs") + ":" + env.value("PATH"));
    env.insert("OPENED", scratch.filePath("opened.pdf"));
    QProcess shell;
    shell.setProcessEnvironment(env);
    shell.setWorkingDirectory(scratch.filePath("tree"));
    shell.setStandardOutputFile(scratch.filePath("output.log"));
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.setChildProcessModifier([] {
        // A group of its own, so that what the examples leave running can be stopped as one.
        setsid();
        if (!ownLoopback())
            _exit(noLoopback);
    });
    shell.start("bash", {"-c", QString::fromStdString(script)});
    ASSERT_TRUE(shell.waitForStarted());
    const qint64 group = shell.processId();
    const bool finished = shell.waitForFinished(360000);
    const auto output = [&] { return readAll(scratch.filePath("output.log")); };
    const auto home = [&](const char* path) { return scratch.filePath(QString("home/") + path); };
    if (shell.exitCode() == noLoopback)
        GTEST_SKIP() << "no network namespace of its own here, and the examples' fixed ports may be taken";

    // The same-machine example leaves the station waiting for a signer: it has fetched the document, and
    // the script that started it has said where it listens (the host's request may come first).
    QElapsedTimer waited;
    waited.start();
    while (finished && waited.elapsed() < 60000 &&
           (readAll(home("stylara-example/hostsim.log")).find("bytes sent") == std::string::npos ||
            output().find("listens on port") == std::string::npos))
        QThread::msleep(200);
    ::kill(-static_cast<pid_t>(group), SIGTERM);
    QThread::msleep(500);
    ::kill(-static_cast<pid_t>(group), SIGKILL);

    ASSERT_TRUE(finished) << output();
    EXPECT_EQ(shell.exitCode(), 0) << output();
    EXPECT_NE(output().find("@@ all blocks ran"), std::string::npos) << output();

    const auto ofTheSecondRun = [](const QString& path) {
        return QFileInfo(path).lastModified() > QDateTime(QDate(2001, 1, 1), QTime(0, 0));
    };

    // The pen example: the document signed by the pen lines and saved at once at its target.
    const QString signedPdf = home("stylara-example/drives/c/Signed/inv100.pdf");
    EXPECT_EQ(testing_support::qpdfCheck(signedPdf.toStdString()), 0) << "the signed PDF is whole";
    EXPECT_EQ(readAll(signedPdf).find("%SRP"), std::string::npos) << "the signature took the control line's place";
    EXPECT_TRUE(ofTheSecondRun(signedPdf)) << "signed again, not the first run's document";

    // The viewer example: the fetched PDF handed to the desktop, the text printed in two copies.
    EXPECT_EQ(readAll(scratch.filePath("opened.pdf")).rfind("%PDF-", 0), 0u) << "the PDF was shown";
    const QString job = home("stylara-example/print/job-0001.pdf");
    const QString printed = QString::fromStdString(testing_support::programOutput("pdftotext", {job, "-"}));
    EXPECT_EQ(printed.count("REPORT 42"), 2) << printed.toStdString();
    EXPECT_TRUE(ofTheSecondRun(job)) << "printed again, not the first run's job";

    // The same-machine example: the station says where it listens, and it asked for the document.
    EXPECT_NE(output().find("listens on port 6070"), std::string::npos) << output();
    EXPECT_NE(readAll(home("stylara-example/hostsim.log")).find("bytes sent"), std::string::npos) << output();
}
