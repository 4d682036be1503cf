#include "Adobe_form.h"

#include "Sig.h"
#include "Sig_delivery.h"
#include "Sig_image.h"
#include "Sig_pdf.h"
#include "Sig_view.h"
#include "Waiting_form.h"
#include "acrobat/Acrobat.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"
#include "ui/Application.h"
#include "win/Sound.h"
#include "win/System.h"

#include <QPushButton>

namespace {

enum class ResultMode { Image, HostSide, Pdf };

ResultMode resultMode()
{
    if (globals.ImageFormatCode != 0)
        return ResultMode::Image;
    if (globals.HostSideSigning)
        return ResultMode::HostSide;
    return ResultMode::Pdf;
}

// The touch feedback: the touched button's rectangle inverted on the LCD.
void invertCancelOrClear(TSigPlus& pad) { pad.LCDRefresh(1, 198, 10, 40, 14); }
void invertOk(TSigPlus& pad) { pad.LCDRefresh(1, 198, 34, 40, 20); }
// Copies the screen's stored bitmap back onto the LCD, which removes the ink.
void redrawScreen(TSigPlus& pad) { pad.LCDRefresh(2, 0, 0, 240, 64); }
void blankScreen(TSigPlus& pad) { pad.LCDRefresh(0, 0, 0, 240, 64); }

void writeText(TSigPlus& pad, short height, short weight, const char* face, short x, short y, const char* text)
{
    pad.LCDSetFont(height, 0, weight, 0, 0, 0, face);
    pad.LCDWriteString(0, 2, x, y, 0, 0, 0, text);
}

void writeNoSignatureText(TSigPlus& pad)
{
    if (globals.MonoMessages)
        writeText(pad, 16, 700, "Arial Monospaced", 7, 25, "Please enter a signature");
    else
        writeText(pad, 18, 600, "Arial", 18, 25, "Please enter a signature...");
}

void writeProcessingText(TSigPlus& pad)
{
    if (globals.MonoMessages)
        writeText(pad, 20, 700, "Arial Monospaced", 60, 20, "Processing...");
    else
        writeText(pad, 20, 600, "Arial", 70, 20, "Processing...");
}

} // namespace

void Tform_adobe::SigPlus1PenDown()
{
    // The idle screen keeps the last document's hot spots and points: once the window has closed a
    // touch there belongs to no document and must not deliver, cancel or close anything.
    if (!globals.SigningActive)
        return;
    TSigPlus& pad = *SigPlus1;
    // Hot spot 0 is asked first, so it wins when both hold points.
    if (pad.KeyPadQueryHotSpot(0) >= 1) {
        invertCancelOrClear(pad);
        redrawScreen(pad);
        if (globals.ApprovalShowing) {
            // Cancel: the close query sees the approval screen and closes without asking.
            form_waiting->hide();
            if (globals.ImageFormatCode != 0)
                SendCancelNotice();
            Close();
            return;
        }
        pad.ClearTablet();
        ShowTabletMessage();
    } else if (pad.KeyPadQueryHotSpot(1) >= 1) {
        if (globals.ApprovalShowing) {
            invertOk(pad);
            pad.LCDSetWindow(0, 0, 0, 0);
            form_waiting->hide();
            if (globals.PrintMode == 2)
                PrintDocument(globals.ConfirmPrint);
            // The approval has been passed, so this puts up the signing screen and its event mask.
            PrepareTablet();
            return;
        }
        SetStatusText("");
        invertOk(pad);
        redrawScreen(pad);
        if (pad.NumberOfTabletPoints() < 1) {
            ui::MessageBeep(0);
            blankScreen(pad);
            writeNoSignatureText(pad);
            win::Sleep(1000);
            pad.ClearTablet();
            redrawScreen(pad);
            ShowTabletMessage();
        } else if (!endCapture()) {
            return;
        }
    }
    if (!globals.DocumentSigned)
        pad.SetEventEnableMask(1);
}

bool Tform_adobe::endCapture()
{
    TSigPlus& pad = *SigPlus1;
    SetStatusText("Processing signature...");
    blankScreen(pad);
    writeProcessingText(pad);
    pad.LCDSetWindow(0, 0, 0, 0);

    const ResultMode mode = resultMode();
    if (mode == ResultMode::Image && !SaveSignatureImage())
        return false;
    if (mode == ResultMode::Pdf && !SignPdfFile(ReadPadStrokes(pad))) {
        blankScreen(pad);
        SetStatusText("");
        return false;
    }
    bool pathSent = false;
    if (mode == ResultMode::HostSide)
        pathSent = SendSignaturePath();
    if (!globals.HostSideSigning)
        ResetTablet();
    if (mode == ResultMode::Pdf && !globals.TextMode && globals.DisplayPdf) {
        SetStatusText("Updating document...");
        if (AcroApp)
            AcroApp->CloseAllDocs();
        if (!OpenPdfInView(globals.SignedPdfPath)) {
            SetStatusText("");
            return false;
        }
    }
    if (!globals.HostSideSigning)
        pad.ClearTablet();
    pad.hide();
    if (!globals.Unattended) {
        but_save->setEnabled(true);
        but_save->setFocus();
        if (!globals.SilentSave)
            win::PlaySoundA(globals.AnnounceWavePath.c_str(), nullptr,
                            win::SND_ASYNC | win::SND_NOSTOP | win::SND_FILENAME);
    }
    globals.DocumentSigned = true;
    SetStatusText("");
    if (globals.PrintMode == 3)
        PrintDocument(globals.ConfirmPrint);

    switch (mode) {
    case ResultMode::Image:
        SetStatusText("");
        globals.CloseWithoutAsking = true;
        but_save->setEnabled(false);
        Close();
        break;
    case ResultMode::HostSide:
        SetStatusText("Updating document...");
        // Without the path file on the host there is nothing for it to add: asking would have it draw
        // no signature, or one left from an earlier document.
        if (pathSent)
            SendAddSignature();
        SetStatusText("");
        globals.CloseWithoutAsking = true;
        ResetTablet();
        pad.ClearTablet();
        but_save->setEnabled(false);
        Close();
        break;
    case ResultMode::Pdf:
        if (globals.Unattended || globals.SilentSave || globals.OpenAfterSave)
            SaveSignedDocument();
        break;
    }
    return true;
}
