#pragma once

// Pad screens: the model check at start, the reset of the pad's capture settings, the idle screen,
// the approval and signing screens with their hot spots, and the one-line pad message. Everything is
// drawn on the signing window's pad control.
bool CheckTabletModel();
void ResetTablet();
void ShowTabletWelcome(bool first);
void ShowTabletMessage();
void PrepareTablet();
