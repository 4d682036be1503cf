#pragma once

// The viewer's two forms, the main form and then the About box, alive until the end; creating the
// About box runs the start-up sequence. Tests that run the viewer in-process call these.
void CreateForms();
void DestroyForms();
