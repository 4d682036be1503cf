#pragma once

#include "Reply.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// The line service's replies as a person writes them in a script file:
//
//   # a comment; blank lines are skipped
//   [greeting]          what every line connection starts with (else the line "+TBUS")
//   +TBUS
//   [TBRR 1]            the answer to the next command that begins with "TBRR 1"
//   X1:01pdf
//   M:0000001000000000009
//   ...
//   {empty}             an empty line
//   {raw}DL0\r\n        bytes as they stand, with the escapes \r \n \t \\ and \xHH
//   {close}             the host closes the connection here ({reset}: it resets it)
//
// A command goes to the longest section name it begins with; sections of one name answer its
// commands in turn, and the last of them answers every later one.
struct Script {
    std::optional<Reply> greeting;
    std::vector<std::pair<std::string, Reply>> replies;
};

// Raises std::runtime_error naming the line when the text is not a script.
Script parseScript(const std::string& text);
Script readScript(const std::string& path);

} // namespace host
