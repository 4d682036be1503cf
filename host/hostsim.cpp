// hostsim: the UNIX host for a demo or a hand test of the station, on this machine's loopback.
#include "HostSimulator.h"
#include "PcRequest.h"
#include "PdfMaker.h"
#include "Script.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const usage = "usage:\n"
                          "  hostsim serve [--dir D] [--line-port P] [--file-port Q] [--script S]\n"
                          "  hostsim request --to HOST:PORT TEXT   (TEXT with the escapes \\r \\n \\t \\\\ \\xHH \\|)\n"
                          "  hostsim make-pdf OUT [--box X Y]\n";

int number(const std::string& text)
{
    size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size())
        throw std::invalid_argument(text);
    return value;
}

int serve(const std::vector<std::string>& args)
{
    std::string dir = ".", script;
    int linePort = 6070, filePort = 6071;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 == args.size())
            throw std::invalid_argument(option);
        const std::string& value = args[++i];
        if (option == "--dir")
            dir = value;
        else if (option == "--line-port")
            linePort = number(value);
        else if (option == "--file-port")
            filePort = number(value);
        else if (option == "--script")
            script = value;
        else
            throw std::invalid_argument(option);
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
    if (args.size() != 3 || args[0] != "--to")
        throw std::invalid_argument("request");
    const std::string& to = args[1];
    const size_t colon = to.rfind(':');
    if (colon == std::string::npos)
        throw std::invalid_argument(to);
    const std::string host = to.substr(0, colon);
    const int port = number(to.substr(colon + 1));
    // The text takes the escapes of a script's {raw} line, so a NUL, a CR or a split can be sent.
    if (!host::sendRequest(host, port, host::unescaped(args[2]))) {
        std::cerr << "hostsim: cannot connect to " << to << "\n";
        return 1;
    }
    return 0;
}

int makePdf(const std::vector<std::string>& args)
{
    if (args.empty())
        throw std::invalid_argument("make-pdf");
    host::PdfOptions options;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--box" || i + 2 >= args.size())
            throw std::invalid_argument(args[i]);
        options.boxX = number(args[i + 1]);
        options.boxY = number(args[i + 2]);
        i += 2;
    }
    const std::string& out = args[0];
    try {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        if (!file)
            throw std::runtime_error("cannot write " + out);
        host::WriteHostPdf(file, options);
        file.close();
        if (!file)
            throw std::runtime_error("cannot write " + out);
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(out, ec);
        throw;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "serve")
            return serve(args);
        if (command == "request")
            return request(args);
        if (command == "make-pdf")
            return makePdf(args);
        std::cerr << usage;
        return 2;
    } catch (const std::invalid_argument&) {
        std::cerr << usage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "hostsim: " << error.what() << "\n";
        return 1;
    }
}
