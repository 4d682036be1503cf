#include "Sig_image.h"

#include "Adobe_form.h"
#include "bmglib/Bmglib.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "station/Socket_io.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <cstdio>
#include <memory>

using namespace ui;

namespace {

struct FormatRow {
    int code;
    short fileFormat;
    const char* extension;
};
const FormatRow formats[] = {
    {1, 9, "tif"}, {2, 6, "tif"}, {3, 5, "tif"}, {4, 2, "bmp"}, {5, 0, "bmp"},
    {6, 1, "bmp"}, {7, 3, "jpg"}, {8, 4, "jpg"}, {9, 7, "wmf"},
};

// The temporary image goes on every way out of the delivery.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile()
    {
        if (win::fileExists(path))
            win::deleteFile(path);
    }
};

void failedDelivery()
{
    form_adobe->SigPlus1->LCDRefresh(0, 0, 0, 240, 64);
    form_adobe->SetStatusText("");
}

} // namespace

ImageFormat ImageFormatOf(int code)
{
    for (const FormatRow& row : formats)
        if (row.code == code)
            return {row.fileFormat, row.extension, true};
    return {};
}

ImageSize ImageSizeFor(int imageHeight)
{
    if (imageHeight >= 50 && imageHeight <= 349)
        return {static_cast<int>(imageHeight * 2.857), imageHeight};
    return {1000, 350};
}

bool CompressTiff(const std::string& path)
{
    std::unique_ptr<bmglib::Bitmap, void (*)(BitmapHandle)> bitmap(nullptr, DeleteBitmap);
    BitmapHandle handle = _CreateBitmapFromFile(path.c_str(), nullptr, 0);
    if (!handle)
        return false;
    bitmap.reset(handle);
    BmgSaveOptions options;
    options.compression = 9;
    _SaveBitmapToFile(bitmap.get(), path.c_str(), &options);
    return true;
}

bool SaveSignatureImage()
{
    TSigPlus& pad = *form_adobe->SigPlus1;
    const ImageFormat format = ImageFormatOf(globals.ImageFormatCode);
    if (format.known)
        pad.ImageFileFormat = format.fileFormat;
    TemporaryFile image{globals.TempDir + "\\isign." + format.extension};
    pad.ImagePenWidth = 15;
    const ImageSize size = ImageSizeFor(globals.ImageHeight);
    pad.ImageXSize = static_cast<short>(size.width);
    pad.ImageYSize = static_cast<short>(size.height);
    pad.TabletState = 0;
    pad.JustifyMode = 5;
    pad.WriteImageFile(image.path);
    if (globals.ImageFormatCode == 1 && !CompressTiff(image.path)) {
        BringWindowToFront(form_adobe);
        MessageBox("Error while compressing TIFF!", "Error", MB_OK | MB_ICONERROR);
    }
    form_adobe->SetStatusText("Saving document...");
    if (globals.ResultToHost) {
        if (!SendFileToHost(image.path, globals.ImageTargetPath)) {
            failedDelivery();
            return false;
        }
    } else if (!win::CopyFileA(image.path.c_str(), globals.ImageTargetPath.c_str(), 0)) {
        BringWindowToFront(form_adobe);
        MessageBox("Unable to save signature image to Windows!", "Error", MB_OK | MB_ICONERROR);
        failedDelivery();
        return false;
    }
    ReleaseDocumentLock(globals.ImageTargetPath);
    return true;
}

void SendCancelNotice()
{
    if (!globals.ResultToHost)
        return;
    const std::string& target = globals.ImageTargetPath;
    const size_t slash = target.rfind('/');
    const std::string noticePath = slash == std::string::npos
                                       ? "cancel-" + target
                                       : target.substr(0, slash + 1) + "cancel-" + target.substr(slash + 1);
    const std::string localPath = globals.TempDir + "\\empty";
    // The notice is the file a text-mode write of one line break leaves on the PC: CR LF.
    std::FILE* notice = win::openFile(localPath, "wb");
    if (!notice)
        return;
    std::fputs("\r\n", notice);
    std::fclose(notice);
    SendFileToHost(localPath, noticePath);
    win::deleteFile(localPath);
}
