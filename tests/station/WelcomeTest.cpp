#include "StationFixture.h"
#include "station/About_form.h"
#include "station/Init.h"

#include <optional>

class Welcome : public StationFixture {
protected:
    void SetUp() override
    {
        StationFixture::SetUp();
        ASSERT_TRUE(ReadInstallDir());
    }
};

TEST_F(Welcome, TextFileFirstLine)
{
    struct Row {
        const char* id;
        std::string contents;
        std::string text;
        const char* box;
        bool noDescriptors = false; // the process can open no file
    };
    const Row rows[] = {
        {"plain line", "Welcome to Norvane\nsecond", "Welcome to Norvane", nullptr},
        {"CR LF removed", "Hello\r\nmore", "Hello", nullptr},
        {"last line without break", "Only", "Only", nullptr},
        {"200 characters", std::string(200, 'w') + "\n", std::string(119, 'w'), nullptr},
        {"empty file", "", "", "Could not read from welcome message text file!"},
        {"cannot be opened", "Welcome\n", "", "Could not open welcome message text file!", true},
    };
    for (const Row& row : rows) {
        boxes.clear();
        globals.WelcomeText.clear();
        install.write("C:\\Stylara\\welcome.txt", row.contents);
        {
            std::optional<testing_support::NoFreeDescriptors> full;
            if (row.noDescriptors)
                full.emplace();
            LoadWelcomeScreen();
        }
        EXPECT_EQ(globals.WelcomeText, row.text) << row.id;
        ASSERT_EQ(boxes.boxes().size(), row.box ? 1u : 0u) << row.id;
        if (row.box) {
            EXPECT_EQ(boxes.boxes()[0].text, row.box) << row.id;
            EXPECT_EQ(boxes.boxes()[0].caption, "Stylara - Error") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        }
    }
}

TEST_F(Welcome, BitmapWinsOverTextAndABadOneFallsBack)
{
    QImage picture(240, 64, QImage::Format_Mono);
    picture.fill(1);
    picture.save(QString::fromStdString(install.native("C:\\Stylara\\welcome.bmp")), "BMP");
    install.write("C:\\Stylara\\welcome.txt", "Text too\n");
    LoadWelcomeScreen();
    EXPECT_EQ(globals.WelcomeText, "") << "only the bitmap is used";
    EXPECT_EQ(form_images->im_welcome.size(), QSize(240, 64));
    EXPECT_TRUE(boxes.boxes().empty());

    install.write("C:\\Stylara\\welcome.bmp", "not a bitmap");
    LoadWelcomeScreen();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Could not load custom welcome bitmap!");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(form_images->im_welcome, form_images->im_welcomebk);
}
