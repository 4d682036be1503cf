#include "HostSimulator.h"

#include "Tcp.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace host {

struct HostSimulator::Impl {
    struct Listener {
        int fd = -1;
        int port = 0;
        bool refusing = false;
        bool wantRefusing = false;
    };
    struct Worker {
        std::thread thread;
        bool done = false;
    };

    fs::path folder;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<ConnectionRecord> records;
    Reply greeting = lines({"+TBUS"});
    // Per prefix the replies still to come and the one that answers once they are used up.
    struct Replies {
        std::deque<Responder> queued;
        Responder standing;
    };
    std::map<std::string, Replies> replies;
    std::optional<FileFault> fileFault;
    std::optional<FileFault> storeFault;
    std::function<void(const std::string&)> log;
    Listener listeners[2];
    int wake[2] = {-1, -1};
    bool stopping = false;
    std::set<int> openConnections;
    std::list<Worker> workers;
    std::thread acceptor;

    Listener& listener(Service service) { return listeners[service == Service::Line ? 0 : 1]; }

    void note(const std::string& text)
    {
        std::function<void(const std::string&)> out;
        {
            std::lock_guard lock(mutex);
            out = log;
        }
        if (out)
            out(text);
    }

    void record(size_t index, const char* data, size_t size)
    {
        std::lock_guard lock(mutex);
        records[index].received.append(data, size);
        changed.notify_all();
    }

    // Ends a connection; the record says so only once its bytes have been dealt with.
    void finish(int fd, size_t index, End end)
    {
        if (end == End::Reset)
            tcp::setReset(fd);
        std::lock_guard lock(mutex);
        openConnections.erase(fd);
        ::close(fd);
        records[index].ended = true;
        changed.notify_all();
    }

    void poke() { [[maybe_unused]] const ssize_t ignored = ::write(wake[1], "x", 1); }

    // Holds a pause of a reply; false when the simulator stops meanwhile.
    bool pause(int milliseconds)
    {
        std::unique_lock lock(mutex);
        return !changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping; });
    }

    bool send(int fd, const Reply& reply)
    {
        return tcp::sendPaced(fd, reply, [this](int milliseconds) { return pause(milliseconds); });
    }

    // Waits until the PC closes the connection or the simulator stops.
    void hold(int fd)
    {
        char buffer[4096];
        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
    }

    void acceptLoop()
    {
        for (;;) {
            pollfd polled[3];
            Service services[3];
            nfds_t count = 0;
            {
                std::unique_lock lock(mutex);
                if (stopping)
                    break;
                for (Service service : {Service::Line, Service::File}) {
                    Listener& l = listener(service);
                    if (l.wantRefusing && !l.refusing) {
                        ::close(l.fd);
                        l.fd = -1;
                        l.refusing = true;
                    } else if (!l.wantRefusing && l.refusing) {
                        l.fd = tcp::listenOn(l.port);
                        l.refusing = l.fd < 0;
                    }
                    if (l.fd >= 0) {
                        polled[count] = {l.fd, POLLIN, 0};
                        services[count++] = service;
                    }
                }
                changed.notify_all();
            }
            polled[count] = {wake[0], POLLIN, 0};
            if (::poll(polled, count + 1, -1) < 0)
                continue;
            if (polled[count].revents) {
                char drained[64];
                [[maybe_unused]] const ssize_t ignored = ::read(wake[0], drained, sizeof drained);
            }
            for (nfds_t i = 0; i < count; ++i)
                if (polled[i].revents & POLLIN)
                    acceptOne(polled[i].fd, services[i]);
        }
        for (Listener& l : listeners)
            if (l.fd >= 0)
                ::close(l.fd);
    }

    void acceptOne(int listenFd, Service service)
    {
        // Taken and recorded under the lock, so a waiter sees a connection either waiting or recorded.
        std::lock_guard lock(mutex);
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (stopping) {
            ::close(fd);
            return;
        }
        for (auto it = workers.begin(); it != workers.end();)
            if (it->done) {
                it->thread.join();
                it = workers.erase(it);
            } else {
                ++it;
            }
        const size_t index = records.size();
        records.push_back({service, "", false});
        openConnections.insert(fd);
        changed.notify_all();
        Worker& worker = workers.emplace_back();
        worker.thread = std::thread([this, fd, index, service, &worker] {
            if (service == Service::Line)
                serveLine(fd, index);
            else
                serveFile(fd, index);
            std::lock_guard done(mutex);
            worker.done = true;
        });
    }

    Reply replyTo(const std::string& command)
    {
        Responder responder;
        {
            std::lock_guard lock(mutex);
            Replies* chosen = nullptr;
            for (auto& [prefix, entry] : replies)
                if (command.rfind(prefix, 0) == 0 && (!entry.queued.empty() || entry.standing))
                    chosen = &entry; // the map is ordered, so a longer prefix of the same start comes later
            if (chosen && !chosen->queued.empty()) {
                chosen->standing = chosen->queued.front();
                chosen->queued.pop_front();
            }
            if (chosen)
                responder = chosen->standing;
        }
        if (responder)
            return responder(command);
        if (command.rfind("TBDL ", 0) == 0)
            return lines({"DL0"});
        if (command.rfind("TBAS ", 0) == 0)
            return lines({"AS0"});
        return lines({"-hostsim: no reply scripted for " + command.substr(0, 4)});
    }

    void serveLine(int fd, size_t index)
    {
        Reply hello;
        {
            std::lock_guard lock(mutex);
            hello = greeting;
        }
        if (!send(fd, hello) || hello.end != End::Stay)
            return finish(fd, index, hello.end);
        std::string pending;
        char buffer[65536];
        for (;;) {
            const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
            if (received <= 0)
                return finish(fd, index, End::Close);
            record(index, buffer, static_cast<size_t>(received));
            pending.append(buffer, static_cast<size_t>(received));
            bool answered = false;
            for (size_t newline; (newline = pending.find('\n')) != std::string::npos;) {
                const std::string command = pending.substr(0, newline);
                pending.erase(0, newline + 1);
                note("line: " + command);
                const Reply reply = replyTo(command);
                if (!send(fd, reply) || reply.end != End::Stay)
                    return finish(fd, index, reply.end);
                answered = true;
            }
            // The PC sends a text that holds a "\n" as it stands, so what came after that line end with the
            // command is the rest of its text; the next command comes only once the reply has been read.
            if (answered && !pending.empty()) {
                note("line: rest of the command without a line end: " + pending);
                pending.clear();
            }
        }
    }

    std::optional<fs::path> resolve(const std::string& hostPath) const
    {
        const fs::path relative = fs::path(hostPath).relative_path();
        if (relative.empty())
            return std::nullopt;
        for (const fs::path& part : relative)
            if (part == "..")
                return std::nullopt;
        return folder / relative;
    }

    void serveFile(int fd, size_t index)
    {
        std::string pending;
        char buffer[65536];
        size_t newline;
        while ((newline = pending.find('\n')) == std::string::npos) {
            const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
            if (received <= 0)
                return finish(fd, index, End::Close);
            record(index, buffer, static_cast<size_t>(received));
            pending.append(buffer, static_cast<size_t>(received));
        }
        const std::string command = pending.substr(0, newline);
        if (command.size() >= 6 && command.rfind("TBGF ", 0) == 0)
            return serveGet(fd, index, command);
        if (command.size() >= 6 && command.rfind("TBSF ", 0) == 0)
            return storePut(fd, index, command, pending.substr(newline + 1));
        note("file: unknown command " + command);
        finish(fd, index, End::Close);
    }

    // The command is "TBGF " with its digit and the host path.
    void serveGet(int fd, size_t index, const std::string& command)
    {
        const std::string hostPath = command.substr(6);
        std::optional<FileFault> fault;
        {
            std::lock_guard lock(mutex);
            fault = fileFault;
        }
        std::uint64_t left = fault ? fault->afterBytes : UINT64_MAX;
        std::uint64_t sent = 0;
        const std::optional<fs::path> path = resolve(hostPath);
        std::ifstream in;
        if (path)
            in.open(*path, std::ios::binary);
        char buffer[65536];
        while (in && left > 0) {
            in.read(buffer, static_cast<std::streamsize>(std::min<std::uint64_t>(sizeof buffer, left)));
            const size_t got = static_cast<size_t>(in.gcount());
            if (got == 0 || !tcp::sendAll(fd, buffer, got))
                break;
            sent += got;
            left -= got;
        }
        const End end = fault ? fault->end : End::Close;
        note("file: " + command + ": " + std::to_string(sent) + " bytes sent" +
             (end == End::Reset  ? ", then a reset"
              : end == End::Stay ? ", and the file never ends"
                                 : ""));
        if (end == End::Stay) {
            hold(fd);
            return finish(fd, index, End::Close);
        }
        finish(fd, index, end);
    }

    // A part file of this transfer's own beside the target, made anew, so that no file already in the
    // folder is written or later removed in its place. Sets part only to a file it made; -1 with errno
    // when none can be made.
    static int openPart(const fs::path& folder, size_t index, fs::path& part)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path name = folder / (".hostsim-" + std::to_string(index) +
                                            (attempt ? "-" + std::to_string(attempt) : "") + ".part");
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                part = name;
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
        return -1;
    }

    // The command is "TBSF " with its digit and the host path; first is what came with it.
    void storePut(int fd, size_t index, const std::string& command, const std::string& first)
    {
        const std::string hostPath = command.substr(6);
        std::optional<FileFault> fault;
        {
            std::lock_guard lock(mutex);
            fault = storeFault;
        }
        const std::uint64_t limit = fault ? fault->afterBytes : UINT64_MAX;
        const std::optional<fs::path> path = resolve(hostPath);
        // Why nothing is stored, with the system's reason; empty while the store goes well.
        std::string why = path ? "" : "the path leaves the host's folder";
        fs::path part;
        int out = -1;
        if (path) {
            std::error_code ec;
            fs::create_directories(path->parent_path(), ec);
            if (ec)
                why = "cannot make " + path->parent_path().string() + ": " + ec.message();
            else if ((out = openPart(path->parent_path(), index, part)) < 0)
                why = "cannot write in " + path->parent_path().string() + ": " + std::strerror(errno);
        }
        const auto write = [&](const char* data, size_t size) {
            if (const int error = out >= 0 ? tcp::writeAll(out, data, size) : 0) {
                why = "cannot write " + part.string() + ": " + std::strerror(error);
                ::close(out);
                out = -1;
            }
        };
        write(first.data(), first.size());
        std::uint64_t total = first.size();
        char buffer[65536];
        ssize_t received = 1;
        // The rest of the file is read even when it cannot be kept, so the PC's send ends as it would.
        while (total < limit && (received = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            record(index, buffer, static_cast<size_t>(received));
            write(buffer, static_cast<size_t>(received));
            total += static_cast<std::uint64_t>(received);
        }
        if (received < 0 && why.empty())
            why = std::string("the connection failed: ") + std::strerror(errno);
        if (out >= 0 && ::close(out) != 0 && why.empty())
            why = "cannot write " + part.string() + ": " + std::strerror(errno);
        const bool cut = total >= limit;
        std::error_code ec;
        // Only an orderly end of the data marks the whole file; what came before a failure is dropped.
        if (!cut && why.empty()) {
            fs::rename(part, *path, ec);
            if (ec)
                why = "cannot store it as " + path->string() + ": " + ec.message();
        }
        if (!cut && why.empty()) {
            note("file: " + command + ": " + std::to_string(total) + " bytes stored");
        } else {
            if (!part.empty())
                fs::remove(part, ec);
            note("file: " + command + ": dropped" +
                 (cut ? std::string(fault->end == End::Reset ? ", a reset" : ", a close") + " after " +
                            std::to_string(total) + " bytes"
                      : ": " + why));
        }
        finish(fd, index, cut ? fault->end : End::Close);
    }
};

HostSimulator::HostSimulator(std::string folder, int linePort, int filePort) : m(std::make_unique<Impl>())
{
    m->folder = fs::path(folder);
    const int ports[2] = {linePort, filePort};
    for (int i = 0; i < 2; ++i) {
        Impl::Listener& l = m->listeners[i];
        l.fd = tcp::listenOn(ports[i]);
        if (l.fd < 0) {
            const int error = errno;
            if (i == 1)
                ::close(m->listeners[0].fd);
            throw std::runtime_error("cannot listen on port " + std::to_string(ports[i]) + ": " + std::strerror(error));
        }
        l.port = tcp::portOf(l.fd);
    }
    if (::pipe2(m->wake, O_CLOEXEC) != 0) {
        ::close(m->listeners[0].fd);
        ::close(m->listeners[1].fd);
        throw std::runtime_error("cannot make the simulator's wake pipe");
    }
    m->acceptor = std::thread([impl = m.get()] { impl->acceptLoop(); });
}

HostSimulator::~HostSimulator()
{
    {
        std::lock_guard lock(m->mutex);
        m->stopping = true;
        m->changed.notify_all();
    }
    m->poke();
    m->acceptor.join();
    // The acceptor has stopped, so no connection is added; a shut-down connection ends its worker.
    {
        std::lock_guard lock(m->mutex);
        for (int fd : m->openConnections)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (Impl::Worker& worker : m->workers)
        worker.thread.join();
    ::close(m->wake[0]);
    ::close(m->wake[1]);
}

int HostSimulator::linePort() const { return m->listeners[0].port; }
int HostSimulator::filePort() const { return m->listeners[1].port; }

std::string HostSimulator::localPath(const std::string& hostPath) const
{
    const std::optional<fs::path> path = m->resolve(hostPath);
    return path ? path->string() : std::string();
}

void HostSimulator::setGreeting(Reply greeting)
{
    std::lock_guard lock(m->mutex);
    m->greeting = std::move(greeting);
}

void HostSimulator::script(const std::string& prefix, Reply reply)
{
    script(prefix, [reply](const std::string&) { return reply; });
}

void HostSimulator::script(const std::string& prefix, Responder responder)
{
    std::lock_guard lock(m->mutex);
    m->replies[prefix].queued.push_back(std::move(responder));
}

void HostSimulator::load(const Script& script)
{
    if (script.greeting)
        setGreeting(*script.greeting);
    if (script.fetchFault)
        setFileFault(script.fetchFault);
    if (script.storeFault)
        setStoreFault(script.storeFault);
    for (const auto& [prefix, reply] : script.replies)
        this->script(prefix, reply);
}

void HostSimulator::setFileFault(std::optional<FileFault> fault)
{
    std::lock_guard lock(m->mutex);
    m->fileFault = fault;
}

void HostSimulator::setStoreFault(std::optional<FileFault> fault)
{
    std::lock_guard lock(m->mutex);
    m->storeFault = fault;
}

void HostSimulator::refuse(Service service, bool refusing)
{
    std::unique_lock lock(m->mutex);
    Impl::Listener& l = m->listener(service);
    l.wantRefusing = refusing;
    m->poke();
    if (!m->changed.wait_for(lock, std::chrono::seconds(5), [&] { return l.refusing == refusing; }))
        throw std::runtime_error(refusing ? "the simulator did not stop listening"
                                          : "the simulator cannot listen again on port " + std::to_string(l.port));
}

void HostSimulator::setLog(std::function<void(const std::string&)> log)
{
    std::lock_guard lock(m->mutex);
    m->log = std::move(log);
}

std::vector<ConnectionRecord> HostSimulator::connections() const
{
    std::lock_guard lock(m->mutex);
    return m->records;
}

std::vector<ConnectionRecord> HostSimulator::connections(Service service) const
{
    std::vector<ConnectionRecord> result;
    for (const ConnectionRecord& record : connections())
        if (record.service == service)
            result.push_back(record);
    return result;
}

bool HostSimulator::waitFor(const std::function<bool(const std::vector<ConnectionRecord>&)>& condition,
                            int milliseconds) const
{
    std::unique_lock lock(m->mutex);
    return m->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return condition(m->records); });
}

bool HostSimulator::waitForEnded(Service service, size_t count, int milliseconds) const
{
    return waitFor(
        [&](const std::vector<ConnectionRecord>& records) {
            size_t ended = 0;
            for (const ConnectionRecord& record : records)
                ended += record.service == service && record.ended;
            return ended >= count;
        },
        milliseconds);
}

bool HostSimulator::waitForIdle(Service service, int milliseconds) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(m->mutex);
    for (;;) {
        const Impl::Listener& l = m->listeners[service == Service::Line ? 0 : 1];
        pollfd waiting{l.fd, POLLIN, 0};
        const bool pending = l.fd >= 0 && ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN);
        bool open = false;
        for (const ConnectionRecord& record : m->records)
            open = open || (record.service == service && !record.ended);
        if (!pending && !open)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // A connection waiting in the listener's queue wakes nobody, so the wait looks again soon.
        m->changed.wait_for(lock, std::chrono::milliseconds(10));
    }
}

std::optional<std::string> HostSimulator::storedFile(const std::string& hostPath, int milliseconds) const
{
    const std::string path = localPath(hostPath);
    if (path.empty() || !waitForIdle(Service::File, milliseconds))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace host
