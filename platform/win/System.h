#pragma once

#include <optional>
#include <string>

namespace win {

// GetWindowsDirectory: always "C:\windows", which nativePath() maps into the drives root.
std::string windowsDirectory();

// GetComputerNameA: the host name in capitals, cut to the platform's 15 characters. Returns false and
// sets size to the length needed when the buffer is too small.
int GetComputerNameA(char* buffer, unsigned long* size);

// Tests fix the computer name; nullopt goes back to the host name.
void setComputerName(std::optional<std::string> name);

// Sleep in milliseconds; tests may make it return at once and read what was asked.
void Sleep(unsigned long milliseconds);
void setInstantSleep(bool instant);
unsigned long lastSleep();

} // namespace win
