#pragma once

// Pad screens. This first cut answers as a station with a supported pad and no screen to draw.
bool CheckTabletModel();
void ShowTabletWelcome(bool first);
