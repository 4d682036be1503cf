#pragma once

#include <string>

// The TCP ports of the wire. Without the environment they are the documented 6070 and 6071; tests and
// the demo move them (STYLARA_PC_PORT, STYLARA_HOST_PORT, STYLARA_FILE_PORT) so a host simulator can
// share the machine.
int PcPort();       // where the PC listens for requests
int HostLinePort(); // the host's line service
int HostFilePort(); // the host's file service

// The port settings that are set to something other than a port from 1 to 65535, one line each naming
// the setting and its value; empty when every one is unset or right. The programs stop on such a
// setting at start, since a port taken for another would serve the wrong host.
std::string PortSettingFaults();
