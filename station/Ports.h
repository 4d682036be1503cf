#pragma once

// The TCP ports of the wire. Without the environment they are the documented 6070 and 6071; tests and
// the demo move them (STYLARA_PC_PORT, STYLARA_HOST_PORT, STYLARA_FILE_PORT) so a host simulator can
// share the machine.
int PcPort();       // where the PC listens for requests
int HostLinePort(); // the host's line service
int HostFilePort(); // the host's file service
