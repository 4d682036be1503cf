#pragma once

#include "TestSupport.h"
#include "signing/Adobe_form.h"
#include "signing/Images_form.h"
#include "signing/Sig.h"
#include "signing/Waiting_form.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Forms.h"
#include "station/Globals.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The station started in-process on a private installation, as far as its start-up goes, with every
// message box recorded. Tests then drive the pad screens on the signing window's pad control.
class PadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        setenv("STYLARA_PC_PORT", std::to_string(testing_support::freePort()).c_str(), 1);
        beforeStart();
        CreateForms();
        ASSERT_FALSE(ui::ApplicationTerminated());
        ASSERT_TRUE(globals.TabletPresent);
        // The screens are tried out touch by touch: the signing window's pen handler would act on them.
        QObject::disconnect(&pad(), &TSigPlus::OnPenDown, form_adobe, nullptr);
    }
    void TearDown() override {
        DestroyForms();
        unsetenv("STYLARA_PC_PORT");
    }
    virtual void beforeStart() {}

    TSigPlus& pad() { return *form_adobe->SigPlus1; }

    // The LCD against the expected picture in tests/data; a differing one is saved in the build folder
    // to be looked at.
    void expectScreen(const std::string& name) {
        const QImage actual = pad().lcd().image().convertToFormat(QImage::Format_RGB32);
        const QImage expected = QImage(QString::fromStdString(std::string(STYLARA_TEST_DATA) + "/" + name))
                                    .convertToFormat(QImage::Format_RGB32);
        if (actual != expected) {
            const std::string saved = std::string(STYLARA_BUILD_DIR) + "/tests/signing/" + name;
            actual.save(QString::fromStdString(saved));
            ADD_FAILURE() << "the LCD differs from " << name << "; it is saved as " << saved;
        }
    }

    // Touches the LCD at a point and answers which hot spots counted the touch.
    std::string touch(double x, double y) {
        pad().ClearTablet();
        pad().penDown({x, y});
        pad().penUp();
        std::string hit;
        for (short key = 0; key < 3; ++key)
            if (pad().KeyPadQueryHotSpot(key) > 0) hit += std::to_string(key);
        pad().ClearTablet();
        return hit;
    }

    testing_support::TempInstall install;
    ui::BoxRecorder boxes;
};
