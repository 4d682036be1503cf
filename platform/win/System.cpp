#include "System.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace win {

namespace {
std::optional<std::string> fixedComputerName;
bool instantSleep = false;
unsigned long lastSleepAsked = 0;
} // namespace

std::string windowsDirectory() { return "C:\\windows"; }

void setComputerName(std::optional<std::string> name) { fixedComputerName = std::move(name); }

int GetComputerNameA(char* buffer, unsigned long* size)
{
    std::string name;
    if (fixedComputerName) {
        name = *fixedComputerName;
    } else {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        name = host;
        name = name.substr(0, name.find('.'));
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        name = name.substr(0, 15);
    }
    if (!buffer || !size)
        return 0;
    if (*size < name.size() + 1) {
        *size = static_cast<unsigned long>(name.size() + 1);
        return 0;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<unsigned long>(name.size());
    return 1;
}

void Sleep(unsigned long milliseconds)
{
    lastSleepAsked = milliseconds;
    if (!instantSleep)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void setInstantSleep(bool instant) { instantSleep = instant; }

unsigned long lastSleep() { return lastSleepAsked; }

} // namespace win
