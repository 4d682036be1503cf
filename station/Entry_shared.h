#pragma once

// The entry of both programs: the single-instance guard "NVSTYLARA.MUTEX" (the station and the viewer
// share it, so only one of them runs on a PC; a second start ends at once with 0 and shows nothing),
// the hidden application with its title, the forms, the message loop and the exit. The command line
// is ignored.
int RunTrayProgram(const char* programPath, const char* title, void (*createForms)(), void (*destroyForms)());
