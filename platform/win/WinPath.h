#pragma once

#include <string>

namespace win {

// The folder that stands for the drives: drive "X:" is its subfolder "x" (STYLARA_DRIVES,
// default ~/.stylara/drives).
std::string drivesRoot();

// Turns a Windows path into a native one the way Wine does: "C:\Stylara\Temp" becomes
// <drives root>/c/Stylara/Temp. A path without a drive keeps its place relative to the current
// directory; backslashes become slashes.
std::string nativePath(const std::string& windowsPath);

// Everything up to and including the last "\" or ":" of a Windows path ("" when there is none).
std::string directoryPart(const std::string& windowsPath);

} // namespace win
