#include "PadFixture.h"

#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A scripted signer: the station's pad reads the pen from the FIFO that STYLARA_PEN names.
class PenScript : public PadFixture {
protected:
    void beforeStart() override {
        fifo = install.root() + "/pen";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        setenv("STYLARA_PEN", fifo.c_str(), 1);
    }
    void TearDown() override {
        PadFixture::TearDown();
        unsetenv("STYLARA_PEN");
    }
    void script(const std::string& lines) {
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        ASSERT_EQ(write(writer, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
        close(writer);
    }
    std::string fifo;
};

TEST_F(PenScript, SignsOnTheSigningScreenAndTouchesOk) {
    globals.ApprovalPassed = false;
    globals.ApprovalLineCount = 0;
    PrepareTablet();
    std::vector<short> okAtPenDown;
    QObject::connect(&pad(), &TSigPlus::OnPenDown, &pad(), [&] { okAtPenDown.push_back(pad().KeyPadQueryHotSpot(1)); });

    script("down 30 40\nmove 45 20\nmove 60 45\nmove 80 18\nmove 100 44\nmove 130 25\nup\n"
           "down 140 30\nmove 170 36\nup\n"
           "down 210 44\nup\n");
    ASSERT_TRUE(testing_support::waitUntil([&] { return okAtPenDown.size() == 3; }));
    EXPECT_EQ(okAtPenDown, (std::vector<short>{0, 0, 1})) << "the last touch is OK";
    EXPECT_EQ(pad().GetNumberOfStrokes(), 2);
    EXPECT_EQ(pad().NumberOfTabletPoints(), 8);
    EXPECT_TRUE(pad().lcd().lit(30, 40));
    EXPECT_TRUE(pad().lcd().lit(155, 33)) << "ink along the second stroke";

    // The virtual pad's picture, to be looked at.
    pad().virtualPad()->grab().save(QString(STYLARA_BUILD_DIR) + "/tests/signing/virtual_pad_signed.png");
}
