#pragma once

#include <string>

namespace win {

// A named mutex as the programs use it: created owned at start, held for the whole run. It is an
// exclusive flock on a file named after the mutex in the user's runtime folder ($XDG_RUNTIME_DIR,
// else /tmp/stylara-<uid>), so the kernel releases it when the process ends, however it ends.
class NamedMutex {
public:
    explicit NamedMutex(std::string name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False only when another process holds the mutex (ERROR_ALREADY_EXISTS); a lock file that cannot
    // be made leaves the mutex unheld and gives true.
    bool create();
    void release();

    static std::string lockFilePath(const std::string& name);

private:
    std::string m_name;
    int m_fd = -1;
};

} // namespace win
