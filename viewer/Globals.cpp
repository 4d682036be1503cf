#include "Globals.h"

_globals globals;

void ResetGlobals() { globals = _globals(); }
