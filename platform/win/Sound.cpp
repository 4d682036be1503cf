#include "Sound.h"

#include "WinPath.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace win {

namespace {
SoundRecorder* activeRecorder = nullptr;

// The player of the sound that was started last; reaped when the next sound is asked for, so at
// most one finished player waits to be collected.
pid_t playing = -1;

bool stillPlaying()
{
    if (playing < 0)
        return false;
    int status = 0;
    pid_t ended;
    do
        ended = waitpid(playing, &status, WNOHANG);
    while (ended < 0 && errno == EINTR);
    if (ended == 0)
        return true;
    playing = -1;
    return false;
}

void stopPlaying()
{
    if (!stillPlaying())
        return;
    kill(-playing, SIGTERM);
    while (waitpid(playing, nullptr, 0) < 0 && errno == EINTR) {
    }
    playing = -1;
}

std::string findOnPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// Starts the player on the file with its output thrown away; -1 when no process could be started.
pid_t startPlayer(const std::string& player, const std::string& nativeFile)
{
    const pid_t child = fork();
    // A group of its own, so that stopping the sound stops whatever the player started; set on both
    // sides of the fork, so that it holds whichever runs first.
    if (child != 0) {
        if (child > 0)
            setpgid(child, child);
        return child;
    }
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    execl(player.c_str(), player.c_str(), nativeFile.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}
} // namespace

int PlaySoundA(const char* sound, void* /*module*/, unsigned flags)
{
    const std::string path = sound ? sound : "";
    if (activeRecorder) {
        activeRecorder->m_played.push_back({path, flags});
        return 1;
    }
    if (!(flags & SND_FILENAME) || path.empty())
        return 0;
    if ((flags & SND_NOSTOP) && stillPlaying())
        return 0;
    stopPlaying();

    const std::string native = nativePath(path);
    struct stat info {};
    if (stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    std::string player = findOnPath("paplay");
    if (player.empty())
        player = findOnPath("aplay");
    if (player.empty())
        return 0;

    const pid_t child = startPlayer(player, native);
    if (child < 0)
        return 0;
    if (flags & SND_ASYNC) {
        playing = child;
        return 1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

SoundRecorder::SoundRecorder() : m_previous(activeRecorder) { activeRecorder = this; }

SoundRecorder::~SoundRecorder() { activeRecorder = m_previous; }

} // namespace win
