#pragma once

#include <cstdint>
#include <string>

// Delivering a signed result: the signed PDF to its Windows target or to the host, the free numbered
// name for a Windows target, and host-side signing, where the strokes go to the host as a path file
// and the host draws them into its own copy of the document.

// Delivers SignedPdfPath to TargetPath, releases the document's lock and closes the signing window.
void SaveSignedDocument();

// Replaces TargetPath with the first free numbered name; false (with a message) when no number is left.
bool NextFreeTargetName();

// Writes the strokes to "sign.nvq" in Temp and stores it on the host at HostSignaturePath; false when
// the file did not get to the host (a message has been shown).
bool SendSignaturePath();

// Asks the host with "TBAS " to add the stored path file to its document.
void SendAddSignature();

// The part after the last "\" or "/"; the whole path when it holds neither.
std::string FileNameOfPath(const std::string& path);
// What follows the first "." of the file name, in lower case; empty without a ".".
std::string ExtensionOfPath(const std::string& path);
// The number the numbering starts from: the number after the last "-" of the stem (the name up to
// its first "."), 0 when none stands there, and 1 when the stem holds no "-".
std::int32_t NumberAfterLastDash(const std::string& name);
// atol as the platform's library does it: white space, a sign, the digits; 0 without digits.
std::int32_t TextToLong(const char* text);
