#pragma once

#include "TestSupport.h"
#include "signing/Images_form.h"
#include "station/Globals.h"
#include "station/Printers_form.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <memory>

// A private installation, a fresh shared record, the forms the start-up routines reach, and every
// message box recorded.
class StationFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGlobals();
        printers = std::make_unique<Tform_printers>();
        form_printers = printers.get();
        images = std::make_unique<Tform_images>();
        form_images = images.get();
    }
    void TearDown() override
    {
        form_printers = nullptr;
        form_images = nullptr;
    }

    testing_support::TempInstall install;
    ui::BoxRecorder boxes;
    std::unique_ptr<Tform_printers> printers;
    std::unique_ptr<Tform_images> images;
};
