#pragma once

#include <string>

// The signature as an image file: its kind and size from the request, the TIFF rewrite, the delivery
// to the host or to Windows, and the notice that tells the host an image request was canceled.

struct ImageFormat {
    short fileFormat = 0;  // the pad control's ImageFileFormat
    std::string extension; // of the image file; empty for an unknown code
    bool known = false;    // false: ImageFileFormat is left as it is
};
// The kind of file for an ImageFormatCode.
ImageFormat ImageFormatOf(int code);

struct ImageSize {
    int width = 0;
    int height = 0;
};
// 1000 by 350, or the requested height with a width in the same proportion when it lies in 50..349.
ImageSize ImageSizeFor(int imageHeight);

// Writes the signature image into Temp and delivers it to ImageTargetPath, then releases the lock;
// false when the delivery failed (the message has been shown, the LCD blanked, the status cleared).
bool SaveSignatureImage();

// Rewrites the TIFF at the path compressed; false when it cannot be loaded.
bool CompressTiff(const std::string& path);

// With ResultToHost: stores an empty file named "cancel-" and the image's name beside the image
// target on the host.
void SendCancelNotice();
