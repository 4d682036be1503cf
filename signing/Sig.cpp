#include "Sig.h"

bool CheckTabletModel() { return true; }

void ShowTabletWelcome(bool /*first*/) {}
