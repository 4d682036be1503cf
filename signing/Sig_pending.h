#pragma once

// The routines of the pen handling and the delivery that the signing window calls; their bodies
// come with those units.
void SendCancelNotice();
void SaveSignedDocument();
