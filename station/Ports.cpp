#include "Ports.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

struct Setting {
    const char* name;
    int fallback;
};
constexpr Setting pcPort{"STYLARA_PC_PORT", 6070};
constexpr Setting hostLinePort{"STYLARA_HOST_PORT", 6070};
constexpr Setting hostFilePort{"STYLARA_FILE_PORT", 6071};

// Decimal digits only, the whole text, from 1 to 65535; nullopt for anything else (an empty text too).
std::optional<int> portOf(const char* text)
{
    int port = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, port);
    if (*text < '0' || *text > '9' || error != std::errc() || stop != end || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// The start-up has refused a wrong value, so one seen here is unset or right.
int portFromEnvironment(const Setting& setting)
{
    const char* text = std::getenv(setting.name);
    const std::optional<int> port = text ? portOf(text) : std::nullopt;
    return port ? *port : setting.fallback;
}

} // namespace

int PcPort() { return portFromEnvironment(pcPort); }
int HostLinePort() { return portFromEnvironment(hostLinePort); }
int HostFilePort() { return portFromEnvironment(hostFilePort); }

std::string PortSettingFaults()
{
    std::string faults;
    for (const Setting& setting : {pcPort, hostLinePort, hostFilePort}) {
        const char* text = std::getenv(setting.name);
        if (text && !portOf(text))
            faults += std::string(faults.empty() ? "" : "\n") + setting.name + " is \"" + text +
                      "\", not a port from 1 to 65535.";
    }
    return faults;
}
