#pragma once

#include <string>

namespace win {

// The folder that stands for the drives: drive "X:" is its subfolder "x" (STYLARA_DRIVES,
// default ~/.stylara/drives), made absolute when it is read.
std::string drivesRoot();

// GetFullPathName: the full Windows path ("C:\Docs\a.pdf") that a path names when `current` is the
// current directory. "/" counts as "\", a path starting with "\" is on the current drive, "X:name" is
// relative to the current directory when that is on X and to X's root otherwise, "." and ".." are
// resolved and ".." at a drive's root stays there, an inner name that ends in a single period loses it
// (two or more stay), and the last name loses its trailing dots and blanks. A UNC path, a device name
// (CON, NUL, COM1, ...) or a name Windows does not allow gives an empty text: a path that names nothing on a drive.
std::string fullPathName(const std::string& path, const std::string& current);

// The process's current directory: a full Windows path, "C:\" until setCurrentDirectory() moves it.
std::string currentDirectory();
void keepCurrentDirectory(const std::string& fullPath);

// The one mapping from a Windows path to a native one, the way Wine does it: the full path of
// "C:\Stylara\Temp" is <drives root>/c/Stylara/Temp, so nothing ever lands outside the drives root.
// The Windows names are the PC's code page, the native ones UTF-8.
// A path that names nothing on a drive maps to an empty text, which no file call can open or make.
std::string nativePath(const std::string& windowsPath, const std::string& current);
std::string nativePath(const std::string& windowsPath);

// Everything up to and including the last "\" or ":" of a Windows path ("" when there is none).
std::string directoryPart(const std::string& windowsPath);

} // namespace win
