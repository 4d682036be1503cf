#pragma once

#include "Reply.h"
#include "Script.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

enum class Service { Line, File };

// One connection as the host saw it.
struct ConnectionRecord {
    Service service = Service::Line;
    std::string received; // every byte the PC sent on it, in order
    bool ended = false;   // the connection is over and the host has done with what it carried
};

// The UNIX host over real TCP on loopback: its line service (greeting, replies to the commands) and
// its file service ("TBGF" serves the file a host path names under the folder, "TBSF" stores the
// bytes under it). Every connection is served on a thread of its own; the record is safe to read
// from any thread.
class HostSimulator {
public:
    // Port 0 takes a free port. Raises std::runtime_error when a port cannot be opened.
    explicit HostSimulator(std::string folder, int linePort = 0, int filePort = 0);
    ~HostSimulator();
    HostSimulator(const HostSimulator&) = delete;
    HostSimulator& operator=(const HostSimulator&) = delete;

    int linePort() const;
    int filePort() const;
    // Where a host path lands under the folder; empty for a path that would leave it.
    std::string localPath(const std::string& hostPath) const;

    // Line service. Without a script "TBDL " is answered "DL0", "TBAS " "AS0", anything else with an
    // error line. A command goes to the longest scripted prefix it begins with; the replies of one
    // prefix answer in turn, and the last one used answers every later command until another is scripted.
    // A command ends at its line end; bytes without one that came with a command already answered are
    // the rest of its text, not the start of the next command.
    void setGreeting(Reply greeting); // the line "+TBUS" unless set
    void script(const std::string& prefix, Reply reply);
    void script(const std::string& prefix, Responder responder);
    void load(const Script& script);

    // File service: while a fault is set, every "TBGF" is served in part or never ends, and every
    // "TBSF" is cut off after so many bytes and stores nothing.
    void setFileFault(std::optional<FileFault> fault);
    void setStoreFault(std::optional<FileFault> fault);

    // While refusing, the service does not listen: a connection to it is refused.
    void refuse(Service service, bool refusing);

    // A line per command and transfer, for a person watching.
    void setLog(std::function<void(const std::string&)> log);

    std::vector<ConnectionRecord> connections() const;
    std::vector<ConnectionRecord> connections(Service service) const;
    // Waits until the condition holds on the record; false when the time is up.
    bool waitFor(const std::function<bool(const std::vector<ConnectionRecord>&)>& condition,
                 int milliseconds = 5000) const;
    // Waits until count connections of the service have ended.
    bool waitForEnded(Service service, size_t count, int milliseconds = 5000) const;
    // Waits until the service has no connection left to take and has done with every one it took, so
    // a store that the PC has sent is on disk in full; false when the time is up.
    bool waitForIdle(Service service, int milliseconds = 5000) const;
    // The bytes stored at a host path once the file service is idle; nothing when there is no such
    // file or the service did not come to rest in time.
    std::optional<std::string> storedFile(const std::string& hostPath, int milliseconds = 5000) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace host
