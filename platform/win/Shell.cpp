#include "Shell.h"

#include "WinPath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace win {

namespace {
ShellRecorder* activeRecorder = nullptr;

constexpr long success = 42;
constexpr long fileNotFound = 2;
constexpr long pathNotFound = 3;
constexpr long noAssociation = 31;

// How long xdg-open may take to report a failure; a program that still runs after it has started.
constexpr int waitMilliseconds = 3000;

// Exit codes of the go-between: xdg-open's own, or these.
constexpr int stillRunning = 100;
constexpr int notStarted = 101;

// xdg-open runs in a grandchild, so that a viewer that stays open never leaves a child of ours behind;
// the child in between waits a while and passes on how xdg-open ended. Only async-signal-safe calls
// follow the fork.
long launch(const std::string& nativeFile) {
    const pid_t middle = fork();
    if (middle < 0) return 0;
    if (middle == 0) {
        const pid_t opener = fork();
        if (opener < 0) _exit(notStarted);
        if (opener == 0) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
            }
            execlp("xdg-open", "xdg-open", nativeFile.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int waited = 0; waited < waitMilliseconds; waited += 20) {
            int status = 0;
            if (waitpid(opener, &status, WNOHANG) == opener)
                _exit(WIFEXITED(status) ? WEXITSTATUS(status) : notStarted);
            poll(nullptr, 0, 20);
        }
        _exit(stillRunning);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status)) return 0;
    switch (WEXITSTATUS(status)) {
    case 0:
    case stillRunning:
        return success;
    case 2:
        return fileNotFound;
    case notStarted:
        return 0;
    default:
        return noAssociation; // 3: no tool for the desktop, 4: the program failed, 127: no xdg-open
    }
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

long ShellExecuteA(void* /*owner*/, const char* operation, const char* file, const char* /*parameters*/,
                   const char* /*directory*/, int /*showCommand*/) {
    const std::string verb = operation ? operation : "open";
    const std::string path = file ? file : "";
    if (verb != "open") return noAssociation;
    const std::string native = nativePath(path);
    const std::string folder = native.substr(0, native.find_last_of('/') + 1);
    if (!folder.empty() && !isDirectory(folder)) return pathNotFound;
    struct stat info {};
    if (path.empty() || stat(native.c_str(), &info) != 0) return fileNotFound;
    if (activeRecorder) return activeRecorder->answer(ShellRecorder::Open{verb, path, native});
    return launch(native);
}

ShellRecorder::ShellRecorder(Responder responder) : m_responder(std::move(responder)), m_previous(activeRecorder) {
    activeRecorder = this;
}

ShellRecorder::~ShellRecorder() {
    activeRecorder = m_previous;
}

long ShellRecorder::answer(const Open& open) {
    m_opened.push_back(open);
    return m_responder ? m_responder(open) : success;
}

} // namespace win
