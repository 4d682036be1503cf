#pragma once

#include <string>

// A request of the host on port 6070, read from the bytes of one read event: the request word, the flag
// columns and the host word with what follows its blank. Columns are counted from 1 in the comments.
struct HostRequest {
    enum class Kind {
        Unknown,   // neither "TBCR " nor "TBTR ": the program shows its own message
        Signature, // "TBCR "
        View,      // "TBTR "
    };
    Kind kind = Kind::Unknown;
    // The message for the first flag column that fails, else null; no later column is taken then.
    const char* refusal = nullptr;
    // No blank after the host: the request is dropped without a word.
    bool dropped = false;
    bool useComputerName = false; // column 6 "Y"
    bool fetchText = false;       // "TBCR " column 7 "1"
    bool fetchPdf = false;        // "TBCR " column 8 "1"
    std::string host;             // up to the first blank
    std::string rest;             // everything behind that blank: the handshake's text, or the PDF's host path
    // A request taken on: neither refused nor dropped.
    bool Taken() const { return kind != Kind::Unknown && !refusal && !dropped; }
};

// Reads a request's text as it came, line ends included.
HostRequest ParseHostRequest(const std::string& text);
