#include "TestSupport.h"

#include "win/Files.h"
#include "win/WinPath.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace testing_support {

TempInstall::TempInstall(const std::string& registeredDir)
{
    const std::string base = m_dir.path().toStdString();
    setenv("STYLARA_DRIVES", (base + "/drives").c_str(), 1);
    setenv("STYLARA_REGISTRY", (base + "/system.reg").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/run").c_str(), 1);
    std::filesystem::create_directories(base + "/run");
    std::filesystem::permissions(base + "/run", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(native("C:\\Stylara\\Temp"));
    std::filesystem::create_directories(native("C:\\windows"));
    std::string escaped;
    for (char c : registeredDir) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c;
    }
    writeRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\r\n\"Dir\"=\"" + escaped +
                  "\"\r\n");
    write("C:\\windows\\SigPlus.ini", "[Tablet]\r\nTabletModel=SigLiteLCD1X5\r\n");
    // Each test starts where a new process would: on drive C's root.
    win::setCurrentDirectory("C:\\");
}

TempInstall::~TempInstall()
{
    // Leave the folder we were in, so the temporary one can go.
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
}

std::string TempInstall::root() const { return m_dir.path().toStdString(); }

std::string TempInstall::native(const std::string& windowsPath) const { return win::nativePath(windowsPath); }

void TempInstall::write(const std::string& windowsPath, const std::string& contents) const
{
    const std::filesystem::path path = native(windowsPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::string TempInstall::read(const std::string& windowsPath) const { return fileContents(native(windowsPath)); }

bool TempInstall::exists(const std::string& windowsPath) const { return std::filesystem::exists(native(windowsPath)); }

void TempInstall::writeRegistry(const std::string& text) const
{
    std::ofstream(root() + "/system.reg", std::ios::binary) << text;
}

namespace {

// Sets the soft limit of a resource and gives the one it replaces.
unsigned long long replaceSoftLimit(int resource, unsigned long long value)
{
    rlimit limit{};
    getrlimit(resource, &limit);
    const unsigned long long previous = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(value);
    setrlimit(resource, &limit);
    return previous;
}

} // namespace

FileSizeLimit::FileSizeLimit(unsigned long long bytes)
{
    std::signal(SIGXFSZ, SIG_IGN); // a refused write then fails with EFBIG instead of ending the process
    m_savedCurrent = replaceSoftLimit(RLIMIT_FSIZE, bytes);
}

FileSizeLimit::~FileSizeLimit() { replaceSoftLimit(RLIMIT_FSIZE, m_savedCurrent); }

NoFreeDescriptors::NoFreeDescriptors()
{
    // The lowest free descriptor becomes the limit, so the next open finds none below it.
    const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (lowest >= 0)
        ::close(lowest);
    m_savedCurrent = replaceSoftLimit(RLIMIT_NOFILE, lowest >= 0 ? static_cast<unsigned long long>(lowest) : 0);
}

NoFreeDescriptors::~NoFreeDescriptors() { replaceSoftLimit(RLIMIT_NOFILE, m_savedCurrent); }

std::string fileContents(const std::string& nativePath)
{
    std::ifstream in(nativePath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string messageBoxLines(const QByteArray& standardError)
{
    std::string lines;
    for (const QByteArray& line : standardError.split('\n'))
        if (line.contains(" | "))
            lines += line.toStdString() + "\n";
    return lines;
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

int freePort()
{
    // Ports below the kernel's ephemeral range (32768 and up), so no outgoing connection of a test
    // running beside this one can take the port between this probe and the listen; each test process
    // starts at its own place in the range.
    static int next = 20000 + static_cast<int>(QCoreApplication::applicationPid() * 61 % 12000);
    for (int tries = 0; tries < 12000; ++tries) {
        const int port = next;
        next = next + 1 >= 32000 ? 20000 : next + 1;
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, static_cast<quint16>(port)))
            return port;
    }
    return 0;
}

bool listening(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket.waitForConnected(200);
}

std::string programOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
}

int qpdfCheck(const std::string& path)
{
    QProcess qpdf;
    qpdf.start("qpdf", {"--check", QString::fromStdString(path)});
    qpdf.waitForFinished(120000);
    return qpdf.exitStatus() == QProcess::NormalExit ? qpdf.exitCode() : -1;
}

std::string builtProgram(const std::string& relativePath)
{
    return std::string(STYLARA_BUILD_DIR) + "/" + relativePath;
}

bool waitUntilListening(int port, int milliseconds)
{
    return waitUntil([port] { return listening(port); }, milliseconds);
}

} // namespace testing_support
