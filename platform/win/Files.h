#pragma once

#include <cstdio>
#include <string>
#include <vector>

// File-system calls on Windows path text; each maps the path with nativePath() and nothing else.
namespace win {

bool fileExists(const std::string& path);      // a file, not a folder
bool directoryExists(const std::string& path);
bool pathExists(const std::string& path);      // a file or a folder
// A file Windows would neither write nor delete: its read-only attribute is set, or the process may
// not write it.
bool readOnlyFile(const std::string& path);
bool deleteFile(const std::string& path);      // false for a folder, a missing or a read-only file
bool createDirectory(const std::string& path); // one level
bool forceDirectories(const std::string& path); // every missing level; true when the folder stands
// SetCurrentDirectory: false, and the current directory unchanged, unless the folder exists.
bool setCurrentDirectory(const std::string& path);

// The entries of a folder listing "dir\*.*" in the order the listing gives them, "." and ".."
// first as on Windows; an empty list when the folder does not exist. Only the "*.*" and "*" patterns
// are needed by the programs.
std::vector<std::string> findFiles(const std::string& pattern);

// fopen on the mapped path; mode as for fopen ("rb", "wb", "r" ...).
std::FILE* openFile(const std::string& path, const char* mode);

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& contents);

// CopyFileA: copies with the attributes' worth of care Windows takes: to a temporary name beside
// the target and renamed over it, so a failed copy never leaves a half-written target. A read-only
// target is not replaced.
int CopyFileA(const char* existingFileName, const char* newFileName, int failIfExists);

} // namespace win

namespace win {

// fgets on a file opened in the platform's text mode: a CR LF pair reads as LF and a byte 0x1A ends
// the input. Reads at most size - 1 characters, up to and including a line feed. Null at the end.
char* textModeGets(char* buffer, int size, std::FILE* file);

} // namespace win
