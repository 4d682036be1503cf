// hostsim: the UNIX host for a demo or a hand test of the station, on this machine's loopback.
#include "HostSimulator.h"
#include "PcRequest.h"
#include "PdfMaker.h"
#include "Script.h"
#include "Tcp.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const usage = "usage:\n"
                          "  hostsim serve [--dir D] [--line-port P] [--file-port Q] [--script S]\n"
                          "  hostsim request --to HOST:PORT TEXT   (TEXT with the escapes \\r \\n \\t \\\\ \\xHH \\|)\n"
                          "  hostsim make-pdf OUT [--box X Y]\n"
                          "  hostsim --help\n";

// A wrong command line: its text names what was wrong.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// --help and -h, wherever an option may stand.
struct HelpAsked {};

bool isHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

int number(const std::string& text, const std::string& what, int lowest, int highest)
{
    // Digits only, and few enough that the value cannot overflow before the range check.
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789", text[0] == '-' ? 1 : 0) == std::string::npos &&
                        text != "-";
    const int value = digits ? std::stoi(text) : 0;
    if (!digits || value < lowest || value > highest)
        throw UsageError("bad " + what + ": " + text + " (" + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ")");
    return value;
}

// The value after an option; a missing one is a wrong command line.
const std::string& valueOf(const std::vector<std::string>& args, size_t& i)
{
    if (i + 1 == args.size() || isHelp(args[i + 1]))
        throw UsageError(args[i] + " needs a value");
    return args[++i];
}

int serve(const std::vector<std::string>& args)
{
    std::string dir = ".", script;
    int linePort = 6070, filePort = 6071;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (isHelp(option))
            throw HelpAsked();
        if (option == "--dir")
            dir = valueOf(args, i);
        else if (option == "--line-port")
            linePort = number(valueOf(args, i), "port", 0, 65535);
        else if (option == "--file-port")
            filePort = number(valueOf(args, i), "port", 0, 65535);
        else if (option == "--script")
            script = valueOf(args, i);
        else
            throw UsageError("unknown option: " + option);
    }
    // The signals are taken by sigwait below, on this thread, once the services run.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    host::HostSimulator simulator(std::filesystem::absolute(dir).string(), linePort, filePort);
    if (!script.empty())
        simulator.load(host::readScript(script));
    simulator.setLog([](const std::string& line) { std::cout << line << std::endl; });
    std::cout << "hostsim: line service on 127.0.0.1:" << simulator.linePort()
              << ", file service on 127.0.0.1:" << simulator.filePort() << ", files under "
              << std::filesystem::absolute(dir).string() << std::endl;
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}

int request(const std::vector<std::string>& args)
{
    if (!args.empty() && isHelp(args[0]))
        throw HelpAsked();
    if (args.empty() || args[0] != "--to")
        throw UsageError(args.empty() ? "request needs --to HOST:PORT and a text" : "unknown option: " + args[0]);
    size_t i = 0;
    const std::string& to = valueOf(args, i);
    if (args.size() != 3)
        throw UsageError(args.size() < 3 ? "request needs a text to send" : "one text only: " + args[3]);
    const size_t colon = to.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw UsageError("bad address: " + to + " (HOST:PORT)");
    const std::string host = to.substr(0, colon);
    const int port = number(to.substr(colon + 1), "port", 1, 65535);
    // The text takes the escapes of a script's {raw} line, so a NUL, a CR or a split can be sent.
    const host::Reply text = host::unescaped(args[2]);
    host::PcRequest(host, port).send(text);
    return 0;
}

int makePdf(const std::vector<std::string>& args)
{
    for (const std::string& argument : args)
        if (isHelp(argument))
            throw HelpAsked();
    // A file name is never taken for an option: "./-a.pdf" names a file that begins with a dash.
    if (args.empty() || args[0].empty())
        throw UsageError(args.empty() ? "make-pdf needs a file to write"
                                      : "make-pdf needs a file to write, not an empty name");
    if (args[0].starts_with("-"))
        throw UsageError("unknown option: " + args[0]);
    host::PdfOptions options;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--box")
            throw UsageError((args[i].starts_with("-") ? "unknown option: " : "unexpected argument: ") + args[i]);
        if (i + 2 >= args.size())
            throw UsageError("--box needs X and Y");
        options.boxX = number(args[i + 1], "box X", 0, 999); // three digits each in the control line
        options.boxY = number(args[i + 2], "box Y", 0, 999);
        i += 2;
    }
    const std::string& out = args[0];
    const std::string pdf = host::MakeHostPdf(options);
    // The file is made only where there is none, so that a failure removes nothing but a file of this
    // run's own making: a folder, a read-only file or a file of the user's stays as it was.
    bool made = true;
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        made = false;
        fd = ::open(out.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    }
    if (fd < 0)
        throw std::runtime_error("cannot write " + out + ": " + std::strerror(errno));
    int error = host::tcp::writeAll(fd, pdf.data(), pdf.size());
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        if (made)
            ::unlink(out.c_str());
        throw std::runtime_error("cannot write " + out + ": " + std::strerror(error));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (isHelp(command))
            throw HelpAsked();
        if (command == "serve")
            return serve(args);
        if (command == "request")
            return request(args);
        if (command == "make-pdf")
            return makePdf(args);
        throw UsageError(command.empty() ? "a command is needed" : "unknown command: " + command);
    } catch (const HelpAsked&) {
        std::cout << usage;
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "hostsim: " << error.what() << "\n" << usage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "hostsim: " << error.what() << "\n";
        return 1;
    }
}
