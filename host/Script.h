#pragma once

#include "Reply.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// The host's behaviour as a person writes it in a script file:
//
//   # a comment; blank lines are skipped
//   [greeting]          what every line connection starts with (else the line "+TBUS")
//   +TBUS
//   [TBRR 1]            the answer to the next command that begins with "TBRR 1"
//   X1:01pdf
//   {delay 2000}        the host waits two seconds before it sends what follows
//   M:0000001000000000009
//   ...
//   {empty}             an empty line
//   {raw}DL0\r\n        bytes as they stand, with the escapes \r \n \t \\ \xHH and \| (a split)
//   {split}             what came before goes out as a delivery of its own
//   {close}             the host closes the connection here ({reset}: it resets it)
//
//   [TBGF]              the file service, for every "TBGF":
//   {send 3000}         only the first 3000 bytes of the file
//   {reset}             then a reset ({close}: an orderly end, the default; {hold}: the file never ends)
//
//   [TBSF]              the file service, for every "TBSF":
//   {receive 0}         after so many bytes of the file
//   {reset}             a reset ({close}: a close); nothing is stored
//
// A command goes to the longest section name it begins with; sections of one name answer its
// commands in turn, and the last of them answers every later one.
struct Script {
    std::optional<Reply> greeting;
    std::vector<std::pair<std::string, Reply>> replies;
    std::optional<FileFault> fetchFault; // [TBGF]
    std::optional<FileFault> storeFault; // [TBSF]
};

// How long a split holds what follows back.
constexpr int splitMilliseconds = 100;

// Raises std::runtime_error naming the line when the text is not a script.
Script parseScript(const std::string& text);
Script readScript(const std::string& path);

// Bytes written with the escapes of a script's {raw} line; raises std::runtime_error on a bad escape.
Reply unescaped(const std::string& text);

} // namespace host
