#pragma once

#include "TestSupport.h"
#include "print/InstalledPrinters.h"
#include "print/Printer.h"
#include "print/RecordingDevice.h"
#include "signing/Adobe_form.h"
#include "station/Forms.h"
#include "station/Globals.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <cstdlib>

// The station in-process on a private installation, with every form created as at start, every box
// recorded, every print job recorded and three installed printers, one name twice.
class SigningFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        ui::setScreenCursor(ui::Cursor::Default);
        install.write("C:\\windows\\SigPlus.ini", "[Tablet]\r\nTabletModel=SigLiteLCD1X5\r\n");
        setenv("STYLARA_PC_PORT", std::to_string(testing_support::freePort()).c_str(), 1);
        print::resetPrinter();
        print::setInstalledPrinters(std::vector<std::string>{"Laser A", "Laser B", "Laser A"});
        CreateForms();
        ASSERT_NE(form_adobe, nullptr);
        boxes.clear();
    }
    void TearDown() override {
        DestroyForms();
        print::setInstalledPrinters(std::nullopt);
        print::resetPrinter();
        unsetenv("STYLARA_PC_PORT");
    }

    // A text document in the view, as the handshake loads it.
    void showText(const std::string& text) {
        globals.TextMode = true;
        form_adobe->re_text->setPlainText(QString::fromStdString(text));
    }

    static std::string numberedLines(int count) {
        std::string text;
        for (int i = 1; i <= count; ++i)
            text += "L" + std::to_string(i) + "\n";
        return text;
    }

    testing_support::TempInstall install;
    ui::BoxRecorder boxes;
    print::RecordingDevice printed;
};
