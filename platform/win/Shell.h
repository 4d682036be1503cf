#pragma once

#include <functional>
#include <string>
#include <vector>

namespace win {

enum : int { SW_SHOWNORMAL = 1 };

// ShellExecuteA with the "open" verb: hands the file (a Windows path) to xdg-open. Answers as the
// platform does: above 32 for success, 2 when the file is missing, 3 when its folder is missing, 31
// when nothing can open it (no xdg-open, or xdg-open found no program), 0 when no process could be
// started. Owner, parameters, directory and show command are taken and not used.
long ShellExecuteA(void* owner, const char* operation, const char* file, const char* parameters, const char* directory,
                   int showCommand);

// While it lives, nothing is launched: every open that gets past the file checks is recorded and
// answered by the responder (nullptr: success, 42).
class ShellRecorder {
public:
    struct Open {
        std::string verb;
        std::string file;       // the Windows path as given
        std::string nativeFile; // where it lands
    };
    using Responder = std::function<long(const Open&)>;

    explicit ShellRecorder(Responder responder = nullptr);
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    const std::vector<Open>& opened() const { return m_opened; }

private:
    friend long ShellExecuteA(void*, const char*, const char*, const char*, const char*, int);
    long answer(const Open& open);

    Responder m_responder;
    std::vector<Open> m_opened;
    ShellRecorder* m_previous;
};

} // namespace win
