#pragma once

#include <string>
#include <string_view>

// The PC's ANSI code page, Windows-1252: the programs' text is bytes in it, as the host writes its
// documents and replies, and so are the Windows names of their files.
namespace win {

// One byte of the code page as a character, and back; a character the code page lacks becomes "?", as
// the platform's conversion makes it.
char16_t wideOfAnsi(unsigned char byte);
char ansiOfWide(char32_t character);

// MultiByteToWideChar and WideCharToMultiByte with the ANSI code page.
std::wstring wideFromAnsi(std::string_view bytes);
std::string ansiFromWide(std::wstring_view text);

// A Windows name as the Linux file system spells it (UTF-8), and a Linux name as the programs see it:
// a sequence that is not UTF-8, or a letter the code page lacks, becomes "?", a character no Windows
// name holds, so such a file is listed but never reached by that name.
std::string utf8FromAnsi(std::string_view bytes);
std::string ansiFromUtf8(std::string_view bytes);

} // namespace win
