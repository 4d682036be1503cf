// How every program and script answers its command line: --help and -h print the usage to standard
// output and end with 0, a wrong argument prints a line naming it and the usage to standard error and
// ends with 2, and neither does anything else.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

namespace {

// Programs that a script would run for its work, each one only noting that it ran.
const char* const stubbed[] = {"apt-get", "sudo",  "dpkg-query", "cmake", "ctest",
                               "ninja",   "clang", "clang++",    "qpdf",  "flock"};

struct Row {
    const char* program; // under the build folder, or "scripts/NAME" in the tree
    QStringList arguments;
    int code;                  // 0: help asked for; 2: a wrong argument
    const char* named;         // what the error line names (for code 2)
    QStringList settings = {}; // NAME=VALUE, in the environment of the run
};

struct Outcome {
    int code = -1;
    std::string out, err;
    bool leftRunning = false; // a program it started still ran when it had ended
};

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(folder.path()).mkpath("stubs"));
        for (const char* name : stubbed) {
            QFile stub(folder.filePath(QStringLiteral("stubs/") + name));
            ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
            // A stub whose name and arguments match FAIL_MATCH fails, saying FAIL_TEXT.
            stub.write("#!/bin/sh\necho \"$0 $*\" >> \"$STUB_LOG\"\n"
                       "case \"$(basename \"$0\") $*\" in $FAIL_MATCH) echo \"$FAIL_TEXT\"; exit 100 ;; esac\n");
            stub.close();
            stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        ASSERT_TRUE(QDir(folder.path()).mkpath("work"));
    }

    Outcome run(const Row& row, const QString& failMatch = "no-stub-fails", const QString& failText = "",
                const QString& tmpdir = "")
    {
        const QString program = QString(row.program).startsWith("scripts/")
                                    ? QStringLiteral(STYLARA_SOURCE_DIR "/") + row.program
                                    : QString::fromStdString(testing_support::builtProgram(row.program));
        // Every place a program or script could leave something lies in the work folder.
        const QString work = folder.filePath("work");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", folder.filePath("stubs") + ":" + env.value("PATH"));
        env.insert("STUB_LOG", folder.filePath("stub.log"));
        env.insert("FAIL_MATCH", failMatch);
        env.insert("FAIL_TEXT", failText);
        env.insert("HOME", work);
        env.insert("TMPDIR", tmpdir.isEmpty() ? work : tmpdir);
        env.insert("XDG_CACHE_HOME", work + "/cache");
        env.insert("XDG_RUNTIME_DIR", work + "/run");
        env.insert("STYLARA_DRIVES", work + "/drives");
        env.insert("STYLARA_REGISTRY", work + "/system.reg");
        env.insert("STYLARA_BUILD_DIR", work + "/build");
        env.insert("STYLARA_DEMO_DIR", work + "/demo");
        for (const QString& setting : row.settings)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work);
        // A group of its own, so that a program it left running is seen and stopped.
        process.setChildProcessModifier([] { setsid(); });
        process.start(program, row.arguments);
        const pid_t group = static_cast<pid_t>(process.processId());
        Outcome result;
        const bool finished = process.waitForFinished(20000);
        result.leftRunning = group > 0 && ::kill(-group, 0) == 0;
        if (group > 0)
            ::kill(-group, SIGKILL);
        if (!finished) {
            process.waitForFinished();
            return result;
        }
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput().toStdString();
        result.err = process.readAllStandardError().toStdString();
        return result;
    }

    // What a run did besides answering: programs it started and files it made.
    std::string traces() const
    {
        std::string found;
        QFile log(folder.filePath("stub.log"));
        if (log.open(QIODevice::ReadOnly))
            found += "ran: " + log.readAll().toStdString();
        for (const QString& entry : QDir(folder.filePath("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            found += "made: " + entry.toStdString() + "\n";
        return found;
    }

    QTemporaryDir folder;
};

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string idOf(const Row& row)
{
    return (row.settings.join(' ') + " " + row.program + " " + row.arguments.join(' ')).trimmed().toStdString();
}

} // namespace

TEST_F(CommandLine, HelpAndWrongArgumentsAreAnsweredAndNothingElseIsDone)
{
    const Row rows[] = {
        {"host/hostsim", {"--help"}, 0, ""},
        {"host/hostsim", {"-h"}, 0, ""},
        {"host/hostsim", {}, 2, "a command is needed"},
        {"host/hostsim", {"bogus"}, 2, "bogus"},
        {"host/hostsim", {"serve", "--help"}, 0, ""},
        {"host/hostsim", {"serve", "--dir", "x", "-h"}, 0, ""},
        {"host/hostsim", {"serve", "--bogus"}, 2, "--bogus"},
        {"host/hostsim", {"serve", "--line-port", "70000"}, 2, "70000"},
        {"host/hostsim", {"serve", "--file-port", "-1"}, 2, "-1"},
        {"host/hostsim", {"serve", "--line-port", "6070x"}, 2, "6070x"},
        {"host/hostsim", {"serve", "--script"}, 2, "--script"},
        {"host/hostsim", {"request", "--help"}, 0, ""},
        {"host/hostsim", {"request", "--to", "127.0.0.1:65536", "TBCR "}, 2, "65536"},
        {"host/hostsim", {"request", "--to", "127.0.0.1", "TBCR "}, 2, "127.0.0.1"},
        {"host/hostsim", {"request", "--from", "127.0.0.1:6070", "TBCR "}, 2, "--from"},
        {"host/hostsim", {"make-pdf", "--help"}, 0, ""},
        {"host/hostsim", {"make-pdf", "-h"}, 0, ""},
        {"host/hostsim", {"make-pdf", "--bogus"}, 2, "--bogus"},
        {"host/hostsim", {"make-pdf", "out.pdf", "--box", "1000", "5"}, 2, "1000"},
        {"host/hostsim", {"make-pdf", "out.pdf", "--box", "5"}, 2, "--box"},
        {"host/hostsim", {"make-pdf", "out.pdf", "extra"}, 2, "extra"},
        {"host/hostsim", {"make-pdf", ""}, 2, "not an empty name"},
        {"signing/bench/sign_pdf_bench", {"--help"}, 0, ""},
        {"signing/bench/sign_pdf_bench", {"-h"}, 0, ""},
        {"signing/bench/sign_pdf_bench", {"bogus"}, 2, "bogus"},
        {"signing/bench/sign_pdf_bench", {"5", "0"}, 2, "0"},
        {"signing/bench/sign_pdf_bench", {"5", "2", "extra"}, 2, "extra"},
        {"scripts/demo", {"--help"}, 0, ""},
        {"scripts/demo", {"-h"}, 0, ""},
        {"scripts/demo", {"--scripted", "--bogus"}, 2, "--bogus"},
        {"scripts/fuzz", {"--help"}, 0, ""},
        {"scripts/fuzz", {"-h"}, 0, ""},
        {"scripts/fuzz", {"--bogus"}, 2, "--bogus"},
        {"scripts/fuzz", {"ten"}, 2, "ten"},
        {"scripts/fuzz", {"60", "nosuch"}, 2, "nosuch"},
        {"scripts/install-station", {"--help"}, 0, ""},
        {"scripts/install-station", {"-h"}, 0, ""},
        {"scripts/install-station", {"bogus"}, 2, "bogus"},
        {"scripts/station", {"--help"}, 0, ""},
        {"scripts/station", {"-h"}, 0, ""},
        {"scripts/station", {"bogus"}, 2, "bogus"},
        {"scripts/setup", {"--help"}, 0, ""},
        {"scripts/setup", {"-h"}, 0, ""},
        {"scripts/setup", {"bogus"}, 2, "bogus"},
        {"scripts/setup", {}, 2, "STYLARA_BUILD_JOBS is 'abc'", {"STYLARA_BUILD_JOBS=abc"}},
        {"scripts/test", {"--help"}, 0, ""},
        {"scripts/test", {"-R", "PdfRoad", "-h"}, 0, ""},
        {"scripts/test", {"bogus"}, 2, "bogus"},
        {"scripts/test", {"-R", "PdfRoad", "--bogus"}, 2, "--bogus"},
        {"scripts/test", {"--output-on-failure", "-R"}, 2, "-R"},
        {"scripts/test", {"-j", "abc"}, 2, "abc"},
        {"scripts/test", {"-j0"}, 2, "0"},
        {"scripts/test", {"--repeat", "bogus"}, 2, "bogus"},
        {"scripts/test", {"--repeat-until-fail", "3x"}, 2, "3x"},
        {"scripts/test", {"--timeout", "soon"}, 2, "soon"},
        {"scripts/test", {"-I", "1,x"}, 2, "1,x"},
        {"scripts/test", {"--resource-spec-file", "nosuch.json"}, 2, "nosuch.json"},
        {"scripts/test-sanitized", {"--help"}, 0, ""},
        {"scripts/test-sanitized", {"-h"}, 0, ""},
        {"scripts/test-sanitized", {"bogus"}, 2, "bogus"},
        {"scripts/test-sanitized", {"--parallel", "-2"}, 2, "-2"},
        {"scripts/test-sanitized", {}, 2, "STYLARA_BUILD_JOBS is '4x'", {"STYLARA_BUILD_JOBS=4x"}},
    };
    for (const Row& row : rows) {
        const std::string id = idOf(row);
        const Outcome result = run(row);
        EXPECT_EQ(result.code, row.code) << id << "\n" << result.err;
        if (row.code == 0) {
            EXPECT_EQ(result.out.rfind("usage:", 0), 0u) << id << ": the usage on standard output\n" << result.out;
            EXPECT_EQ(result.err, "") << id;
        } else {
            const std::string line = firstLine(result.err);
            EXPECT_NE(line.find(row.named), std::string::npos) << id << ": the error names it: " << line;
            EXPECT_EQ(result.err.find("usage:"), line.size() + 1) << id << ": the usage follows\n" << result.err;
            EXPECT_EQ(result.out, "") << id;
        }
        EXPECT_EQ(traces(), "") << id << ": nothing else is done";
        EXPECT_FALSE(result.leftRunning) << id << ": nothing is left running";
        QDir(folder.filePath("work")).removeRecursively();
        QDir(folder.path()).mkpath("work");
        QFile::remove(folder.filePath("stub.log"));
    }
}

TEST_F(CommandLine, ScriptsDoTheirWorkOnWhatTheyTake)
{
    // The stubs stand in for the work, so a parse that refused everything would show here.
    const Row rows[] = {
        {"scripts/install-station", {}, 0, ""},
        {"scripts/setup", {}, 0, ""},
        {"scripts/setup", {}, 0, "", {"STYLARA_BUILD_JOBS=3"}},
        {"scripts/test", {"-j", "4", "-j2", "--repeat", "until-fail:3", "--timeout", "1.5", "-I", "1,5,,2"}, 0, ""},
    };
    for (const Row& row : rows) {
        const Outcome result = run(row);
        EXPECT_EQ(result.code, 0) << idOf(row) << "\n" << result.err;
        EXPECT_NE(traces(), "") << idOf(row) << ": it did its work";
        QDir(folder.filePath("work")).removeRecursively();
        QDir(folder.path()).mkpath("work");
        QFile::remove(folder.filePath("stub.log"));
    }
}

TEST_F(CommandLine, SetupNamesTheStepThatFailedAndItsLog)
{
    struct Failure {
        const char* id;
        const char* failMatch; // the stubbed program and arguments that fail
        const char* text;      // what it says
        const char* step;      // how the set-up names the step
        bool aptLock;          // the set-up says that another installation holds apt's lock
    };
    const Failure failures[] = {
        {"apt's lock", "apt-get*update*", "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 7",
         "Installing packages: cmake", true},
        {"a package", "apt-get*install*", "E: Unable to locate package qt6-pdf-dev", "Installing packages: cmake",
         false},
        {"configure", "cmake -S*", "CMake Error: Qt6 not found", "Configuring into", false},
        {"build", "cmake --build*", "FAILED: station/tablet", "Building", false},
    };
    for (const Failure& failure : failures) {
        const Outcome result = run({"scripts/setup", {}, 1, ""}, failure.failMatch, failure.text);
        const std::string log = (folder.path() + "/work/build/setup.log").toStdString();
        EXPECT_EQ(result.code, 1) << failure.id << "\n" << result.err;
        EXPECT_NE(result.out.find(std::string(failure.step)), std::string::npos) << failure.id << ": said\n"
                                                                                 << result.out;
        const std::string named = "scripts/setup: " + std::string(failure.step);
        EXPECT_NE(result.err.find(named), std::string::npos) << failure.id << ": the failed step named\n" << result.err;
        EXPECT_NE(result.err.find("the end of " + log), std::string::npos) << failure.id << ": the log named\n"
                                                                           << result.err;
        EXPECT_NE(result.err.find(failure.text), std::string::npos) << failure.id << ": its end shown";
        EXPECT_EQ(result.err.find("holds apt's lock") != std::string::npos, failure.aptLock) << failure.id;
        QDir(folder.filePath("work")).removeRecursively();
        QDir(folder.path()).mkpath("work");
    }
}

// The benchmark works in a folder it makes for the run and removes only that: two runs at once both
// finish, a folder of the user's under the name it once used stays, and a TMPDIR it cannot use is
// reported with its path and the system's reason, not an abort.
TEST_F(CommandLine, BenchmarkWorksInAFolderOfItsOwn)
{
    const QString work = folder.filePath("work");
    ASSERT_TRUE(QDir(work).mkpath("stylara-sign-bench"));
    QFile kept(work + "/stylara-sign-bench/kept.txt");
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.close();
    const QString program = QString::fromStdString(testing_support::builtProgram("signing/bench/sign_pdf_bench"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", work);
    QProcess first, second;
    for (QProcess* process : {&first, &second}) {
        process->setProcessEnvironment(env);
        process->start(program, {"1", "2"});
    }
    for (QProcess* process : {&first, &second}) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"stylara-sign-bench"});
    EXPECT_TRUE(kept.exists());

    QFile file(work + "/a-file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct Unusable {
        QString tmpdir;
        std::string reason;
    };
    const Unusable rows[] = {{work + "/missing", "No such file or directory"}, {work + "/a-file", "Not a directory"}};
    for (const Unusable& row : rows) {
        const Outcome result =
            run({"signing/bench/sign_pdf_bench", {"1", "1"}, 1, ""}, "no-stub-fails", "", row.tmpdir);
        EXPECT_EQ(result.code, 1) << row.reason << "\n" << result.err;
        EXPECT_EQ(result.err,
                  "sign_pdf_bench: cannot make a folder in " + row.tmpdir.toStdString() + ": " + row.reason + "\n");
    }
}
