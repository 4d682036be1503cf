#include "Ports.h"

#include <cstdlib>
#include <string>

static int portFromEnvironment(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    try {
        const int port = std::stoi(text);
        return port > 0 && port < 65536 ? port : fallback;
    } catch (const std::exception&) {
        return fallback;
    }
}

int PcPort() { return portFromEnvironment("STYLARA_PC_PORT", 6070); }
int HostLinePort() { return portFromEnvironment("STYLARA_HOST_PORT", 6070); }
int HostFilePort() { return portFromEnvironment("STYLARA_FILE_PORT", 6071); }
