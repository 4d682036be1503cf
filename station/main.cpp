#include "Config_form.h"
#include "Forms.h"
#include "ui/Application.h"
#include "win/Mutex.h"

#include <QApplication>

int main(int argc, char** argv)
{
    win::NamedMutex mutex("NVSTYLARA.MUTEX");
    if (!mutex.create())
        return 0; // the station or the viewer already runs on this PC

    // The command line is ignored: Qt sees no argument either.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    (void)argc;
    QApplication app(qtArgc, qtArgv);
    app.setQuitOnLastWindowClosed(false);
    ui::setApplicationTitle("Norvane Stylara");

    ui::runHandler([] { CreateForms(); });
    if (!ui::ApplicationTerminated())
        app.exec();
    DestroyForms();
    mutex.release();
    return 0;
}
