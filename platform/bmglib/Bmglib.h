#pragma once

#include <cstdint>

// The image library that the station rewrites its TIFF signature images with. Paths are Windows paths.
namespace bmglib {
struct Bitmap;
}
using BitmapHandle = bmglib::Bitmap*;

#pragma pack(push, 1)
// The save options as the caller passes them: five packed bytes.
struct BmgSaveOptions {
    uint8_t compression = 0; // 0 writes the pixels as they are; any other value compresses them (LZW)
    uint8_t reserved1 = 0;
    uint8_t reserved2 = 0;
    uint16_t reserved3 = 0;
};
#pragma pack(pop)
static_assert(sizeof(BmgSaveOptions) == 5);

// Loads a TIFF file; null when the file is missing, unreadable or no TIFF. The two further arguments
// are reserved and passed as 0.
BitmapHandle _CreateBitmapFromFile(const char* fileName, void* reserved, int flags);

// Writes the bitmap as a TIFF file at the path, replacing what is there only once the new file stands
// complete; a compressed rewrite that would come out larger keeps the file as it was. Returns 1 on
// success, 0 on failure.
int _SaveBitmapToFile(BitmapHandle bitmap, const char* fileName, const void* options);

// Releases a handle that _CreateBitmapFromFile gave; null is allowed.
void DeleteBitmap(BitmapHandle bitmap);
