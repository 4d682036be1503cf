#pragma once

#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "signing/Adobe_form.h"
#include "station/Config_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// The station's two connections against the host simulator on loopback: a private installation, the
// main form and the signing window, and every box recorded with what stood around it when it came.
class WireFixture : public ::testing::Test {
protected:
    struct Seen {
        ui::Cursor cursor;
        QWidget* front;
    };

    void SetUp() override
    {
        ResetGlobals();
        ASSERT_TRUE(ReadInstallDir());
        config = std::make_unique<Tform_config>();
        form_config = config.get();
        adobe = std::make_unique<Tform_adobe>();
        form_adobe = adobe.get();
        host = std::make_unique<host::HostSimulator>(hostFolder.path().toStdString());
        setenv("STYLARA_FILE_PORT", std::to_string(host->filePort()).c_str(), 1);
        globals.HostAddress = "127.0.0.1";
    }
    void TearDown() override
    {
        form_adobe = nullptr;
        form_config = nullptr;
        unsetenv("STYLARA_FILE_PORT");
    }

    // Connects the line connection to the host's line service.
    bool connectLine();
    // Connects and reads the greeting "+TBUS".
    void openLine();

    // The bytes of the host's file as they stand.
    std::string hostFile(const std::string& hostPath) const;
    void writeHostFile(const std::string& hostPath, const std::string& bytes) const;

    testing_support::TempInstall install;
    QTemporaryDir hostFolder;
    std::vector<Seen> seen;
    ui::BoxRecorder boxes{[this](const ui::Box& box) {
        seen.push_back({ui::screenCursor(), ui::lastWindowBroughtToFront()});
        return box.defaultAnswer();
    }};
    std::unique_ptr<Tform_config> config;
    std::unique_ptr<Tform_adobe> adobe;
    std::unique_ptr<host::HostSimulator> host;
};
