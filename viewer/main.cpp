#include "Config_form.h"
#include "Forms.h"
#include "ui/Application.h"
#include "win/Mutex.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The station uses the same name: only one of the two programs runs on a PC.
    win::NamedMutex mutex("NVSTYLARA.MUTEX");
    if (!mutex.create())
        return 0;

    // The command line is ignored: Qt sees no argument either.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    (void)argc;
    QApplication app(qtArgc, qtArgv);
    app.setQuitOnLastWindowClosed(false);
    ui::setApplicationTitle("Norvane Stylara PDF Viewer");

    ui::runHandler([] { CreateForms(); });
    if (!ui::ApplicationTerminated())
        app.exec();
    DestroyForms();
    mutex.release();
    return 0;
}
