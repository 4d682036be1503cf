#include "Entry_shared.h"

#include "Ports.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Mutex.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// The port settings are the tests' and scripts' own: a wrong one stops the program at once, said on
// standard error and in an error box, rather than leaving it on a port no host uses.
bool portSettingsRefused(const char* programPath, const char* title)
{
    const std::string faults = PortSettingFaults();
    if (faults.empty())
        return false;
    if (!ui::boxesGoToStandardError()) {
        const char* slash = std::strrchr(programPath, '/');
        std::istringstream lines(faults);
        for (std::string line; std::getline(lines, line);)
            std::fprintf(stderr, "%s: %s\n", slash ? slash + 1 : programPath, line.c_str());
    }
    ui::MessageBox(faults, std::string(title) + " - Error", ui::MB_OK | ui::MB_ICONERROR);
    return true;
}

} // namespace

int RunTrayProgram(const char* programPath, const char* title, void (*createForms)(), void (*destroyForms)())
{
    win::NamedMutex mutex("NVSTYLARA.MUTEX");
    if (!mutex.create())
        return 0;

    // Qt sees no argument either, so nothing on the command line has an effect.
    int qtArgc = 1;
    char* qtArgv[] = {const_cast<char*>(programPath), nullptr};
    QApplication app(qtArgc, qtArgv);
    if (portSettingsRefused(programPath, title))
        return 1;
    ui::runEntry([&] {
        app.setQuitOnLastWindowClosed(false);
        ui::setApplicationTitle(title);
        createForms();
        if (!ui::ApplicationTerminated())
            app.exec();
    });
    destroyForms();
    mutex.release();
    return 0;
}
