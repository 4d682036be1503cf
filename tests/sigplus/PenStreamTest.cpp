#include "PadSetup.h"

#include "TestSupport.h"

#include <QLocalSocket>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char script[] = "down 20 20\n"
                      "move 40 30\n"
                      "jump 1 2\n"
                      "move 60\n"
                      "move 60 x\n"
                      "move 1e9 30\n"
                      "move nan 30\n"
                      "move 30 inf\n"
                      "  move   60 40.5  \n"
                      "up\n"
                      "down 200 40\n"
                      "up\n";

// Two strokes: the signature's three points and the touch outside the capture window.
void expectScript(TSigPlus& pad) {
    ASSERT_TRUE(testing_support::waitUntil([&] { return pad.KeyPadQueryHotSpot(1) > 0; }));
    ASSERT_EQ(pad.GetNumberOfStrokes(), 1);
    ASSERT_EQ(pad.GetNumPointsForStroke(0), 3);
    EXPECT_EQ(QPoint(pad.GetPointXValue(0, 2), pad.GetPointYValue(0, 2)), pad.logicalFromLcd({60, 40.5}));
}

class PenStreamTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("STYLARA_PEN"); }

    void prepare(TSigPlus& pad) {
        mapLikeTheScreens(pad);
        pad.SetSigWindow(1, 10, 10, 176, 44);
        pad.KeyPadAddHotSpot(1, 1, 185, 33, 45, 16);
    }

    testing_support::TempInstall install;
};

} // namespace

TEST_F(PenStreamTest, LinesFromAFifo) {
    const std::string fifo = install.root() + "/pen";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("STYLARA_PEN", fifo.c_str(), 1);
    TSigPlus pad;
    prepare(pad);

    // Two writers one after the other: the stream goes on after the first closes its end.
    const std::string text = script;
    const size_t half = text.find("up\n") + 3;
    for (const std::string& part : {text.substr(0, half), text.substr(half)}) {
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        ASSERT_EQ(write(writer, part.data(), part.size()), static_cast<ssize_t>(part.size()));
        close(writer);
        testing_support::waitUntil([] { return false; }, 50);
    }
    expectScript(pad);
}

TEST_F(PenStreamTest, LinesFromUnixSocketConnections) {
    const std::string path = install.root() + "/pen.sock";
    setenv("STYLARA_PEN", path.c_str(), 1);
    TSigPlus pad;
    prepare(pad);

    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    ASSERT_TRUE(socket.waitForConnected(2000));
    // A line split over two writes is taken whole.
    socket.write(QByteArray(script, 7));
    socket.flush();
    testing_support::waitUntil([] { return false; }, 50);
    socket.write(QByteArray(script + 7));
    socket.flush();
    expectScript(pad);
}
