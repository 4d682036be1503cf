#include "Forms.h"
#include "station/Entry_shared.h"

int main(int /*argc*/, char** argv)
{
    return RunTrayProgram(argv[0], "Norvane Stylara PDF Viewer", CreateForms, DestroyForms);
}
