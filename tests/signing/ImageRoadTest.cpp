// The signature as an image file: every kind and size, delivered to Windows or to the host, and the
// cancel notice of an image request.
#include "SigningRoadFixture.h"
#include "signing/Sig_image.h"
#include "signing/Waiting_form.h"

#include <QFile>
#include <QImageReader>
#include <QPushButton>

namespace {

class ImageRoad : public SigningRoad {
protected:
    std::vector<std::string> tempFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(install.native("C:\\Stylara\\Temp")))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // The dark pixels' bounding box of a picture.
    static QRect ink(const QImage& picture)
    {
        QRect box;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) < 128)
                    box = box.united(QRect(x, y, 1, 1));
        return box;
    }
    static std::uint16_t word(const QByteArray& bytes, qsizetype at)
    {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                          static_cast<unsigned char>(bytes[at + 1]) << 8);
    }
};

} // namespace

TEST_F(ImageRoad, EveryCodeWritesAReadableImageOfTheRequestedSizeOverTheWindowsTarget)
{
    struct Row {
        int code;
        int height;
        const char* extension;
        const char* format; // as the image reader sees it; "wmf" for the metafile
        QSize size;
    };
    const Row rows[] = {
        {1, 0, "tif", "tiff", {1000, 350}},
        {2, 50, "tif", "tiff", {142, 50}},
        {3, 349, "tif", "tiff", {997, 349}},
        {4, 49, "bmp", "bmp", {1000, 350}},
        {5, 350, "bmp", "bmp", {1000, 350}},
        {6, 100, "bmp", "bmp", {285, 100}},
        // An unknown code keeps the kind of file the pad was set to last, under the name "isign.".
        {12, 100, "", "bmp", {285, 100}},
        {7, 200, "jpg", "jpeg", {571, 200}},
        {8, 0, "jpg", "jpeg", {1000, 350}},
        {9, 100, "wmf", "wmf", {285, 100}},
    };
    for (const Row& row : rows) {
        const std::string id = "code " + std::to_string(row.code);
        const std::string target =
            "C:\\Images\\sig" + std::to_string(row.code) + "." + (*row.extension ? row.extension : "img");
        const std::string lock = "C:\\Images\\sig" + std::to_string(row.code) + ".nvk";
        install.write(target, "an older image");
        install.write(lock, "");
        imageRequest(row.code, target);
        globals.ImageHeight = row.height;
        beginSigning();
        sign();
        touchOk();

        EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << id;
        EXPECT_FALSE(form_adobe->isVisible()) << id;
        EXPECT_TRUE(globals.DocumentSigned) << id;
        EXPECT_FALSE(install.exists(lock)) << id;
        EXPECT_EQ(tempFiles(), std::vector<std::string>{}) << id << ": the temporary image is gone";
        const QString file = QString::fromStdString(install.native(target));
        if (std::string(row.format) == "wmf") {
            QFile metafile(file);
            ASSERT_TRUE(metafile.open(QIODevice::ReadOnly)) << id;
            const QByteArray bytes = metafile.readAll();
            ASSERT_GE(bytes.size(), 22) << id;
            EXPECT_EQ(word(bytes, 0), 0xCDD7) << id << ": a placeable metafile";
            EXPECT_EQ(QSize(word(bytes, 10), word(bytes, 12)), row.size) << id;
            continue;
        }
        QImageReader reader(file);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format().toStdString(), row.format) << id;
        const QImage picture = reader.read();
        EXPECT_EQ(picture.size(), row.size) << id;
        EXPECT_FALSE(ink(picture).isEmpty()) << id << ": the signature is in it";
        if (row.code == 1) {
            EXPECT_LT(QFile(file).size(), 1000 / 8 * 350 / 4) << id << ": rewritten compressed";
        }
    }
    EXPECT_EQ(sounds.played().size(), 10u) << "the announcement, as in every attended signing";
}

TEST_F(ImageRoad, ImageToTheHost)
{
    imageRequest(2, "/usr/images/sig0001.tif");
    globals.ResultToHost = true;
    globals.Unattended = true;
    beginSigning();
    sign();
    touchOk();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    waitForTransfers(1);
    EXPECT_EQ(host->connections(host::Service::File)[0].received.rfind("TBSF 1/usr/images/sig0001.tif\n", 0), 0u);
    QImageReader reader(QString::fromStdString(storedPath("/usr/images/sig0001.tif")));
    EXPECT_EQ(reader.format(), "tiff");
    EXPECT_EQ(reader.read().size(), QSize(1000, 350));
    EXPECT_NE(hostReceived(host::Service::Line).find("TBDL /usr/images/sig0001.nvk\n"), std::string::npos);
    EXPECT_EQ(tempFiles(), std::vector<std::string>{});
    EXPECT_FALSE(form_adobe->isVisible());
}

// Both cancels of the approval screen, on the pad and in the waiting box, send the notice once
// themselves and once more from the close query, which still sees the approval screen showing.
TEST_F(ImageRoad, CancelOnTheApprovalScreenSendsTheNoticeTwice)
{
    struct Row {
        const char* id;
        bool fromWaitingBox;
        bool toHost;
    };
    const Row rows[] = {{"pad, to the host", false, true},
                        {"pad, to Windows", false, false},
                        {"waiting box, to the host", true, true},
                        {"waiting box, to Windows", true, false}};
    for (const Row& row : rows) {
        imageRequest(2, "/usr/images/sig0001.tif");
        globals.ResultToHost = row.toHost;
        globals.ApprovalLineCount = 1;
        globals.ApprovalLines[0] = "I agree";
        const size_t transfers = host->connections(host::Service::File).size();
        beginSigning();
        ASSERT_TRUE(globals.ApprovalShowing) << row.id;
        if (row.fromWaitingBox) {
            ASSERT_TRUE(form_waiting->isVisible()) << row.id;
            boxes.queueAnswers({ui::IDYES});
            form_waiting->but_cancel->click();
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Discard document and close program?"}) << row.id;
        } else {
            touchCancelOrClear();
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << row.id;
        }
        EXPECT_FALSE(form_adobe->isVisible()) << row.id;
        EXPECT_FALSE(form_waiting->isVisible()) << row.id;
        EXPECT_EQ(tempFiles(), std::vector<std::string>{}) << row.id;
        if (!row.toHost) {
            EXPECT_EQ(host->connections(host::Service::File).size(), transfers) << row.id << ": no notice";
            continue;
        }
        waitForTransfers(transfers + 2);
        const std::vector<host::ConnectionRecord> records = host->connections(host::Service::File);
        EXPECT_EQ(records.size(), transfers + 2) << row.id;
        for (size_t i = transfers; i < records.size(); ++i)
            EXPECT_EQ(records[i].received, "TBSF 1/usr/images/cancel-sig0001.tif\n\r\n") << row.id;
        EXPECT_EQ(hostReceived(host::Service::Line).find("TBDL"), std::string::npos) << row.id;
    }
}

TEST_F(ImageRoad, TouchesOnTheIdlePadAfterTheCloseDoNothing)
{
    // Discarded with a signature drawn: a touch where OK stood must not deliver the discarded image.
    imageRequest(2, "C:\\Images\\discarded.tif");
    beginSigning();
    sign();
    boxes.queueAnswers({ui::IDYES});
    form_adobe->but_cancel->click();
    ASSERT_FALSE(form_adobe->isVisible());
    touchOk();
    EXPECT_FALSE(install.exists("C:\\Images\\discarded.tif"));
    EXPECT_FALSE(globals.DocumentSigned);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Discard document and close program?"}) << "no delivery tried";

    // Cancelled on the approval screen: later touches send no further notices.
    imageRequest(2, "/usr/images/sig0002.tif");
    globals.ResultToHost = true;
    globals.ApprovalLineCount = 1;
    globals.ApprovalLines[0] = "I agree";
    const size_t transfers = host->connections(host::Service::File).size();
    beginSigning();
    touchCancelOrClear();
    waitForTransfers(transfers + 2);
    touchCancelOrClear();
    touchOk();
    testing_support::waitUntil([] { return false; }, 200);
    EXPECT_EQ(host->connections(host::Service::File).size(), transfers + 2);
}

TEST_F(ImageRoad, CancelNoticePath)
{
    struct Row {
        const char* id;
        std::string imageTarget;
        std::string noticeCommand; // empty: nothing sent
    };
    const Row rows[] = {
        {"host folder", "/usr/images/sig0001.tif", "TBSF 1/usr/images/cancel-sig0001.tif\n"},
        {"name alone", "sig0001.tif", "TBSF 1cancel-sig0001.tif\n"},
        {"backslashes are no folders", "C:\\Images\\sig.tif", "TBSF 1cancel-C:\\Images\\sig.tif\n"},
        {"no target", "", "TBSF 1cancel-\n"},
        {"folder at the end", "/usr/images/", "TBSF 1/usr/images/cancel-\n"},
        {"notice file cannot be made", "/usr/images/sig0001.tif", ""},
    };
    imageRequest(2, "");
    globals.ResultToHost = true;
    beginSigning();
    size_t transfers = 0;
    for (const Row& row : rows) {
        if (row.noticeCommand.empty())
            std::filesystem::create_directories(install.native("C:\\Stylara\\Temp\\empty"));
        globals.ImageTargetPath = row.imageTarget;
        SendCancelNotice();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << row.id;
        if (row.noticeCommand.empty()) {
            EXPECT_EQ(host->connections(host::Service::File).size(), transfers) << row.id;
            continue;
        }
        waitForTransfers(++transfers);
        EXPECT_EQ(host->connections(host::Service::File).back().received, row.noticeCommand + "\r\n") << row.id;
        EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\empty")) << row.id;
    }
}

TEST_F(ImageRoad, ImageModeGoesBeforeHostSideSigning)
{
    hostSideRequest();
    globals.ImageFormatCode = 4;
    globals.ImageTargetPath = "C:\\Images\\sig.bmp";
    globals.ResultToHost = false;
    std::filesystem::create_directories(install.native("C:\\Images"));
    beginSigning();
    sign();
    touchOk();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    EXPECT_EQ(QImageReader(QString::fromStdString(install.native("C:\\Images\\sig.bmp"))).format(), "bmp");
    EXPECT_TRUE(host->connections(host::Service::File).empty()) << "no path file";
    EXPECT_EQ(hostReceived(host::Service::Line).find("TBAS"), std::string::npos);
    EXPECT_FALSE(form_adobe->isVisible());
}

TEST_F(ImageRoad, CodeOneImageThatCannotBeCompressedIsDeliveredAsWritten)
{
    install.write("C:\\Images\\sig.tif", "an older image");
    install.write("C:\\Images\\sig.nvk", "");
    imageRequest(1, "C:\\Images\\sig.tif");
    beginSigning();
    sign();
    {
        // The disk fills while the pad writes, leaving a TIFF cut short that the rewrite cannot load.
        testing_support::FileSizeLimit limit(4096);
        touchOk();
    }
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Error while compressing TIFF!");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    const std::string delivered = install.read("C:\\Images\\sig.tif");
    EXPECT_EQ(delivered.size(), 4096u) << "the file as the pad left it";
    EXPECT_TRUE(delivered.starts_with("II*") || delivered.starts_with("MM")) << "a TIFF's start";
    EXPECT_FALSE(install.exists("C:\\Images\\sig.nvk")) << "delivered, so the lock is released";
    EXPECT_TRUE(globals.DocumentSigned);
    EXPECT_FALSE(form_adobe->isVisible());
    EXPECT_EQ(tempFiles(), std::vector<std::string>{});
}

TEST_F(ImageRoad, CompressTiffRewritesInPlaceAndRefusesWhatItCannotLoad)
{
    sign();
    pad().ImageFileFormat = 9;
    pad().ImageXSize = 1000;
    pad().ImageYSize = 350;
    pad().JustifyMode = 5;
    ASSERT_TRUE(pad().WriteImageFile("C:\\Stylara\\Temp\\isign.tif"));
    const QString native = QString::fromStdString(install.native("C:\\Stylara\\Temp\\isign.tif"));
    const QImage before(native);
    const qint64 sizeBefore = QFile(native).size();
    EXPECT_TRUE(CompressTiff("C:\\Stylara\\Temp\\isign.tif"));
    EXPECT_LT(QFile(native).size(), sizeBefore / 4);
    EXPECT_EQ(QImage(native).convertToFormat(QImage::Format_Mono), before.convertToFormat(QImage::Format_Mono))
        << "the same picture";

    EXPECT_FALSE(CompressTiff("C:\\Stylara\\Temp\\missing.tif"));
    pad().ImageFileFormat = 0;
    ASSERT_TRUE(pad().WriteImageFile("C:\\Stylara\\Temp\\isign.bmp"));
    EXPECT_FALSE(CompressTiff("C:\\Stylara\\Temp\\isign.bmp")) << "no TIFF";
    EXPECT_TRUE(boxes.boxes().empty()) << "the caller reports";
}
