#include "Sig_pending.h"
#include "Adobe_form.h"

// Placeholders until the pen handling and the delivery are in: nothing to send, nothing to deliver.
void SendCancelNotice() {}

void SaveSignedDocument() {}

void Tform_adobe::SigPlus1PenDown() {}
