#include "SamplePdf.h"
#include "StationFixture.h"
#include "acrobat/Acrobat.h"
#include "bmglib/Bmglib.h"
#include "sigplus/SigPlus.h"
#include "station/About_form.h"
#include "station/Init.h"
#include "win/CodePage.h"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

// An installation folder whose name holds a letter of the PC's code page: "C:\Stylaré" in the
// registry's 8-bit text, "Stylaré" in UTF-8 on the Linux side.
class CodePageNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGlobals();
        images = std::make_unique<Tform_images>();
        form_images = images.get();
        std::filesystem::create_directories(linuxFolder + "/Temp");
    }
    void TearDown() override { form_images = nullptr; }

    testing_support::TempInstall install{"C:\\Stylar\xe9"};
    ui::BoxRecorder boxes;
    std::unique_ptr<Tform_images> images;
    const std::string linuxFolder = install.root() + "/drives/c/Stylar\xc3\xa9";
};

} // namespace

TEST_F(CodePageNames, EveryOpenerFindsTheFileUnderItsUtf8Name)
{
    ASSERT_TRUE(ReadInstallDir());
    ASSERT_EQ(globals.ProgramDir, "C:\\Stylar\xe9");
    const std::string temp = linuxFolder + "/Temp";
    QWidget window;
    window.resize(400, 300);
    struct Row {
        const char* id;
        std::function<void()> arrange; // the file as it stands on the Linux side
        std::function<bool()> open;    // the opener, given the Windows name
        std::function<void()> verify;
    };
    const Row rows[] = {
        {"the document view", [&] { testing_support::writeSamplePdf(temp + "/unsigned.pdf", {{"ONE"}}); },
         [&] {
             CAcroAVDoc view;
             return view.OpenInWindowEx(win::wideFromAnsi(globals.TempDir + "\\unsigned.pdf"), &window, 2, 0, 0, 0, 0,
                                        0, 0, 0) == 1;
         },
         [] {}},
        {"the welcome picture",
         [&] {
             QImage picture(240, 64, QImage::Format_Mono);
             picture.fill(1);
             picture.save(QString::fromStdString(linuxFolder + "/welcome.bmp"), "BMP");
         },
         [&] {
             LoadWelcomeScreen();
             return form_images->im_welcome.size() == QSize(240, 64);
         },
         [&] { EXPECT_TRUE(boxes.boxes().empty()); }},
        {"the signature image", [] {},
         [&] {
             TSigPlus pad;
             pad.ImageFileFormat = 0;
             pad.ImageXSize = 200;
             pad.ImageYSize = 70;
             return pad.WriteImageFile(globals.TempDir + "\\isign.bmp");
         },
         [&] { EXPECT_EQ(QImage(QString::fromStdString(temp + "/isign.bmp")).size(), QSize(200, 70)); }},
        {"the TIFF rewrite",
         [&] {
             QImage tiff(100, 40, QImage::Format_Mono);
             tiff.fill(1);
             tiff.save(QString::fromStdString(temp + "/isign.tif"), "TIFF");
             // A user's file under the name the rewrite once staged through.
             std::ofstream(temp + "/isign.tif.bmg~") << "the user's";
         },
         [&] {
             const std::string path = globals.TempDir + "\\isign.tif";
             BitmapHandle bitmap = _CreateBitmapFromFile(path.c_str(), nullptr, 0);
             BmgSaveOptions options;
             const bool saved = bitmap && _SaveBitmapToFile(bitmap, path.c_str(), &options) == 1;
             DeleteBitmap(bitmap);
             return saved;
         },
         [&] {
             EXPECT_EQ(QImage(QString::fromStdString(temp + "/isign.tif")).size(), QSize(100, 40));
             EXPECT_EQ(testing_support::fileContents(temp + "/isign.tif.bmg~"), "the user's");
         }},
    };
    for (const Row& row : rows) {
        boxes.clear();
        row.arrange();
        EXPECT_TRUE(row.open()) << row.id;
        row.verify();
        EXPECT_FALSE(std::filesystem::exists(install.root() + "/drives/c/Stylar\xef\xbf\xbd")) << row.id;
    }
}
