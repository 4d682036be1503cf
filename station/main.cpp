#include "Entry_shared.h"
#include "Forms.h"

int main(int /*argc*/, char** argv) { return RunTrayProgram(argv[0], "Norvane Stylara", CreateForms, DestroyForms); }
