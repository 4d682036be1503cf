#pragma once

#include <string>

namespace win {

// A named mutex as the programs use it: created owned at start, held for the whole run. It is an
// exclusive flock on a file named after the mutex in a folder that only its user controls, so the
// kernel releases it when the process ends, however it ends.
class NamedMutex {
public:
    // The lock lives in XDG_RUNTIME_DIR, else in `privateFolder`; either is made with mode 0700 if
    // missing, and used only while it is a real folder of this user that no one else may enter.
    explicit NamedMutex(std::string name, std::string privateFolder = defaultPrivateFolder());
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False only when another process holds the mutex (ERROR_ALREADY_EXISTS); a lock file that cannot
    // be made, or a place for it that another user could have prepared, leaves the mutex unheld and
    // gives true.
    bool create();
    void release();
    bool held() const { return m_fd >= 0; }

    // The lock file's path; empty when the folder for it is refused.
    std::string lockFilePath() const;
    static std::string defaultPrivateFolder(); // /tmp/stylara-<uid>

private:
    std::string m_name;
    std::string m_privateFolder;
    int m_fd = -1;
};

} // namespace win
