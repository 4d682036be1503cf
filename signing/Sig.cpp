#include "Sig.h"

#include "Adobe_form.h"
#include "Images_form.h"
#include "Waiting_form.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/Profile.h"

#include <QLabel>

using namespace ui;

namespace {

TSigPlus& pad() {
    return *form_adobe->SigPlus1;
}

// Hot spots 0 and 1 move with the [HOTSPOTS] offsets; the sums are 16-bit as the control takes them.
void addButtonHotSpots() {
    const int h = globals.HotSpotOffsetX;
    const int v = globals.HotSpotOffsetY;
    pad().KeyPadAddHotSpot(0, 1, static_cast<short>(185 + h), static_cast<short>(20 + v), 45, 10);
    pad().KeyPadAddHotSpot(1, 1, static_cast<short>(185 + h), static_cast<short>(33 + v), 45, 16);
}

void writeText(short height, short weight, const char* face, short x, short y, const std::string& text) {
    pad().LCDSetFont(height, 0, weight, 0, 0, 0, face);
    pad().LCDWriteString(0, 2, x, y, 0, 0, 0, text);
}

void showApprovalScreen() {
    globals.ApprovalPassed = true;
    globals.ApprovalShowing = true;
    pad().hide();
    pad().LCDWriteBitmap(1, 2, 0, 0, 240, 64, form_images->im_pr1x5);
    pad().LCDRefresh(2, 0, 0, 240, 64);
    const char* face = globals.MonoPrompt ? "Arial Monospaced" : "Arial";
    const short weight = globals.MonoPrompt ? 700 : 600;
    pad().LCDSetFont(18, 0, weight, 0, 0, 0, face);
    // All three lines, whatever the count: the unused ones are written as empty texts.
    const short rows[3] = {2, 22, 42};
    for (int line = 0; line < 3; ++line)
        pad().LCDWriteString(0, 2, 2, rows[line], 0, 0, 0, globals.ApprovalLines[line]);
    addButtonHotSpots();
    form_adobe->SetStatusText("");
    if (!globals.Unattended) form_waiting->show();
    pad().SetEventEnableMask(1);
}

void showSigningScreen() {
    globals.ApprovalPassed = true;
    pad().LCDWriteBitmap(1, 2, 0, 0, 240, 64, form_images->im_1x5);
    pad().LCDRefresh(2, 0, 0, 240, 64);
    addButtonHotSpots();
    pad().KeyPadAddHotSpot(2, 1, 10, 10, 176, 44);
    pad().LCDSetWindow(10, 10, 176, 44);
    pad().SetSigWindow(1, 10, 10, 176, 44);
    ShowTabletMessage();
    pad().show();
    // The status is cleared first, which restores the cursor, so no hourglass shows while waiting.
    form_adobe->SetStatusText("");
    form_adobe->lab_status->setText("Waiting for signature...");
    form_adobe->lab_status->repaint();
    pad().SetEventEnableMask(1);
}

} // namespace

bool CheckTabletModel() {
    globals.TabletPresent = false;
    globals.LcdTablet = 0;
    const std::string driverFile =
        globals.WindowsDir.empty() ? std::string("c:\\windows\\SigPlus.ini") : globals.WindowsDir + "\\SigPlus.ini";
    if (!win::fileExists(driverFile)) {
        BringWindowToFront(form_adobe);
        MessageBox("The Topaz driver software is not properly installed.", "Norvane Stylara", MB_OK | MB_ICONERROR);
        return false;
    }
    char model[256];
    win::GetPrivateProfileStringA("Tablet", "TabletModel", "", model, sizeof model, driverFile.c_str());
    const std::string value = model;
    if (value == "SigLiteLCD1X5" || value == "SignatureGemLCD1X5") {
        globals.TabletPresent = true;
        globals.LcdTablet = 1;
        return true;
    }
    BringWindowToFront(form_adobe);
    MessageBox("The selected Topaz tablet (" + value + ") is not currently supported.", "Norvane Stylara",
               MB_OK | MB_ICONERROR);
    form_config->Close();
    return false;
}

void ResetTablet() {
    if (globals.LcdTablet == 1) {
        pad().LCDSetTabletMap(0, 240, 64, 100, 0, 1900, 700);
        pad().TabletXStart = 400;
        pad().TabletXStop = 2400;
        pad().TabletYStart = 350;
        pad().TabletYStop = 1050;
        pad().TabletLogicalXSize = 2000;
        pad().TabletLogicalYSize = 700;
        pad().LCDSetWindow(0, 0, 0, 0);
        pad().LCDRefresh(0, 0, 0, 240, 64);
    }
    pad().KeyPadClearHotSpotList();
    pad().LCDCaptureMode = 2;
    pad().TabletState = 1;
    pad().ClearTablet();
}

void ShowTabletWelcome(bool first) {
    if (!globals.TabletPresent) return;
    if (first) {
        pad().LCDCaptureMode = 2;
        pad().TabletState = 1;
        pad().LCDSetWindow(0, 0, 0, 0);
        pad().ClearTablet();
    }
    pad().LCDSetWindow(0, 0, 0, 0);
    pad().LCDRefresh(0, 0, 0, 240, 64);
    if (!globals.WelcomeText.empty()) {
        pad().LCDWriteBitmap(0, 2, 0, 0, 240, 64, form_images->im_wel_ng);
        writeText(18, 600, globals.MonoMessages ? "Arial Monospaced" : "Arial", 2, 40, globals.WelcomeText);
    } else {
        pad().LCDWriteBitmap(0, 2, 0, 0, 240, 64, form_images->im_welcome);
    }
}

void ShowTabletMessage() {
    if (globals.PadMessageEnabled && !globals.PadMessageText.empty())
        writeText(14, 100, "Arial Monospaced", 16, 0, globals.PadMessageText);
}

void PrepareTablet() {
    if (!globals.TabletPresent) {
        BringWindowToFront(form_adobe);
        MessageBox("No Topaz tablet is installed so a signature cannot be captured...", "Norvane Stylara",
                   MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!globals.ApprovalPassed) form_adobe->SetStatusText("Preparing signature tablet...");
    ResetTablet();
    globals.ApprovalShowing = false;
    if (!globals.ApprovalPassed && globals.ApprovalLineCount >= 1)
        showApprovalScreen();
    else
        showSigningScreen();
}
