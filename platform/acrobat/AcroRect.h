#pragma once

// A rectangle of the PDF application: the frame of a document view, in the coordinates of the window
// that holds it. Its properties are 16-bit, named as the application names them.
class CAcroRect {
public:
    short Left = 0;
    short Top = 0;
    short right = 0;
    short bottom = 0;
};
