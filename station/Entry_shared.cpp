#include "Entry_shared.h"

#include "ui/Application.h"
#include "win/Mutex.h"

#include <QApplication>

int RunTrayProgram(const char* programPath, const char* title, void (*createForms)(), void (*destroyForms)())
{
    win::NamedMutex mutex("NVSTYLARA.MUTEX");
    if (!mutex.create())
        return 0;

    // Qt sees no argument either, so nothing on the command line has an effect.
    int qtArgc = 1;
    char* qtArgv[] = {const_cast<char*>(programPath), nullptr};
    QApplication app(qtArgc, qtArgv);
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
