#pragma once

#include <cstdio>
#include <string>
#include <vector>

// File-system calls on Windows path text; each maps the path with nativePath() and nothing else.
namespace win {

bool fileExists(const std::string& path); // a file, not a folder
bool directoryExists(const std::string& path);
bool pathExists(const std::string& path); // a file or a folder
// A file Windows would neither write nor delete: its read-only attribute is set, or the process may
// not write it.
bool readOnlyFile(const std::string& path);
// False for a folder, a missing or a read-only file; a symbolic link is deleted itself, whatever it
// points to, as DeleteFile deletes a link.
bool deleteFile(const std::string& path);
bool createDirectory(const std::string& path);  // one level
bool forceDirectories(const std::string& path); // every missing level; true when the folder stands
// SetCurrentDirectory: false, and the current directory unchanged, unless the folder exists.
bool setCurrentDirectory(const std::string& path);

// The entries of a folder listing "dir\*.*" in the order the listing gives them, "." and ".."
// first as on Windows, each name in the PC's code page; an empty list when the folder does not exist. Only the "*.*"
// and "*" patterns are needed by the programs.
std::vector<std::string> findFiles(const std::string& pattern);

// The one open for writing of the programs' files, with the care Windows takes for every user, root
// included: a read-only file is refused, and so is a symbolic link in the last place, so no write ever
// lands where a link points (a folder link on the way is followed, as Windows follows a junction).
// `flags` adds O_TRUNC, O_APPEND or O_RDWR to a write-only open that creates a missing file. A
// descriptor, or -1 with errno set.
int openForWriting(const std::string& path, int flags);

// fopen on the mapped path; mode as for fopen ("rb", "wb", "r" ...). Every mode that writes goes
// through openForWriting().
std::FILE* openFile(const std::string& path, const char* mode);

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& contents);

// A file written beside its target and then put in its place, so a failed write never leaves the
// target half written. Its name is one that no other file has, made exclusively in the target's
// folder, so no file a user keeps there is touched. It takes the mode of the file it replaces, as that
// file would have kept it had it been written where it stands.
class StagedFile {
public:
    explicit StagedFile(const std::string& target); // a Windows path
    ~StagedFile();                                  // removes the staging file unless it was put in place
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    int descriptor() const { return m_fd; } // -1 when no staging file could be made
    bool write(const void* bytes, size_t size);
    // Flushes the staging file to the disk, closes it and puts it in the target's place; false, the
    // target as it was, when a write or the flush failed, or the target is read-only, is a folder, or
    // exists while `replace` is false.
    bool commit(bool replace);
    // A write, the flush or the close failed: the disk did not take the whole file.
    bool failed() const { return m_failed; }

private:
    std::string m_target;
    std::string m_staging;
    int m_fd = -1;
    bool m_failed = false;
};

// CopyFileA: copies through a StagedFile, so a failed copy never leaves a half-written target. A
// read-only target is not replaced; the copy takes the source's attributes.
int CopyFileA(const char* existingFileName, const char* newFileName, int failIfExists);

} // namespace win

namespace win {

// fgets on a file opened in the platform's text mode: a CR LF pair reads as LF and a byte 0x1A ends
// the input. Reads at most size - 1 characters, up to and including a line feed. Null at the end.
char* textModeGets(char* buffer, int size, std::FILE* file);

} // namespace win
