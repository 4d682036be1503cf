#pragma once

// The eight forms of the station, created in their documented order and alive until the end; creating
// the last, the About box, runs the start-up sequence. Tests that run the station in-process call these.
void CreateForms();
void DestroyForms();
