// "Shutdown" in the tray menu, with a document open and on an idle station.
#include "RoadFixture.h"
#include "acrobat/Acrobat.h"
#include "net/Sockets.h"
#include "signing/Adobe_form.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Globals.h"

using testing_support::listening;
using Texts = std::vector<std::string>;

namespace {

// Records the PDF application's closing calls.
class WatchedApp : public CAcroApp {
public:
    explicit WatchedApp(Texts& calls) : m_calls(calls) {}
    bool CloseAllDocs() override
    {
        m_calls.push_back("CloseAllDocs");
        return CAcroApp::CloseAllDocs();
    }
    bool Exit() override
    {
        m_calls.push_back("Exit");
        return true;
    }

private:
    Texts& m_calls;
};

bool blank(const sigplus::Lcd& lcd)
{
    for (int y = 0; y < sigplus::Lcd::Height; ++y)
        for (int x = 0; x < sigplus::Lcd::Width; ++x)
            if (lcd.lit(x, y))
                return false;
    return true;
}

} // namespace

class Shutdown : public RoadFixture {};

TEST_F(Shutdown, RefusedDiscardKeepsTheDocumentAndTheListener)
{
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    ASSERT_TRUE(globals.SigningActive);
    boxes.clear();
    boxes.queueAnswers({ui::IDNO});
    form_config->shutdownClick();
    EXPECT_EQ(boxes.texts(), Texts{"Discard document and close program?"});
    EXPECT_TRUE(form_adobe->isVisible());
    EXPECT_TRUE(globals.SigningActive);
    EXPECT_TRUE(form_config->ServerSocket->Active());
    EXPECT_TRUE(listening(pcPort));
    EXPECT_TRUE(form_config->ClientSocket.Active()) << "the document keeps its line connection";
    EXPECT_FALSE(ui::ApplicationTerminated());
}

TEST_F(Shutdown, IdleShutdownClearsThePadAndEndsThePdfApplication)
{
    Texts calls;
    acrobat::FactoryOverride factory;
    factory.makeApp = [&] { return std::make_unique<WatchedApp>(calls); };
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    ASSERT_TRUE(globals.SigningActive);
    ASSERT_NE(form_adobe->AcroApp, nullptr);
    globals.CloseWithoutAsking = true;
    form_adobe->Close();
    ASSERT_FALSE(form_adobe->isVisible());
    TSigPlus& pad = *form_adobe->SigPlus1;
    ASSERT_FALSE(blank(pad.lcd())) << "the idle screen stands on the pad";
    calls.clear();
    boxes.clear();

    form_config->shutdownClick();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(calls, (Texts{"CloseAllDocs", "Exit"}));
    EXPECT_TRUE(blank(pad.lcd()));
    // No ink area is left: the pen draws nothing on the cleared pad.
    pad.TabletState = 1;
    pad.penDown({20, 20});
    pad.penMove({200, 50});
    pad.penUp();
    EXPECT_TRUE(blank(pad.lcd()));
    EXPECT_FALSE(listening(pcPort));
    EXPECT_FALSE(form_config->ClientSocket.Active());
    EXPECT_TRUE(ui::ApplicationTerminated());
}
