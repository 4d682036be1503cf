#include "StationFixture.h"
#include "station/Config_form.h"
#include "station/Init.h"
#include "station/Pref_form.h"
#include "ui/Application.h"
#include "win/Profile.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>


namespace {
const char* const iniPath = "C:\\Stylara\\tablet.ini";
}

class PrefForm : public StationFixture {
protected:
    void SetUp() override
    {
        StationFixture::SetUp();
        ASSERT_TRUE(ReadInstallDir());
        LoadSettings();
        pref = std::make_unique<Tform_pref>();
        form_pref = pref.get();
    }
    void TearDown() override
    {
        form_pref = nullptr;
        StationFixture::TearDown();
    }

    void open()
    {
        pref->show();
        ASSERT_TRUE(pref->isVisible());
    }
    // As a person types: the old text selected and typed over, key by key.
    static void typeInto(QWidget* field, const QString& text)
    {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    std::string iniValue(const char* section, const char* key) const
    {
        return win::IniFile(globals.ProgramDir + "\\tablet.ini").ReadString(section, key, "(none)");
    }

    std::unique_ptr<Tform_pref> pref;
};

TEST_F(PrefForm, OkReplacesValuesOutOfRange)
{
    struct Row {
        const char* id;
        QLineEdit* Tform_pref::*field;
        int _globals::*member;
        const char* key;
        const char* typed;
        int stored;
    };
    const Row rows[] = {
        {"horizontal 11", &Tform_pref::ed_hor, &_globals::HotSpotOffsetX, "HOR", "11", 0},
        {"horizontal -10", &Tform_pref::ed_hor, &_globals::HotSpotOffsetX, "HOR", "-10", -10},
        {"horizontal 10", &Tform_pref::ed_hor, &_globals::HotSpotOffsetX, "HOR", "10", 10},
        {"vertical -11", &Tform_pref::ed_ver, &_globals::HotSpotOffsetY, "VER", "-11", 0},
        {"vertical +7", &Tform_pref::ed_ver, &_globals::HotSpotOffsetY, "VER", "+7", 7},
        {"top -5", &Tform_pref::ed_top, &_globals::TopMargin, "TOP", "-5", 0},
        {"left 999", &Tform_pref::ed_left, &_globals::LeftMargin, "LEFT", "999", 999},
        {"left typed past 3 characters", &Tform_pref::ed_left, &_globals::LeftMargin, "LEFT", "12345", 123},
        {"lines 201", &Tform_pref::ed_lines, &_globals::LinesPerPage, "LINES", "201", 60},
        {"lines 0", &Tform_pref::ed_lines, &_globals::LinesPerPage, "LINES", "0", 0},
        {"lines 200", &Tform_pref::ed_lines, &_globals::LinesPerPage, "LINES", "200", 200},
        {"lines -1", &Tform_pref::ed_lines, &_globals::LinesPerPage, "LINES", "-1", 60},
    };
    for (const Row& row : rows) {
        open();
        QLineEdit* field = pref.get()->*row.field;
        typeInto(field, row.typed);
        QTest::mouseClick(pref->but_ok, Qt::LeftButton);
        EXPECT_EQ(globals.*row.member, row.stored) << row.id;
        EXPECT_EQ(field->text().toStdString(), std::to_string(row.stored)) << row.id << ": the field shows it";
        const char* section =
            row.member == &_globals::HotSpotOffsetX || row.member == &_globals::HotSpotOffsetY ? "HOTSPOTS" : "TEXT";
        EXPECT_EQ(iniValue(section, row.key), std::to_string(row.stored)) << row.id;
        EXPECT_FALSE(pref->isVisible()) << row.id;
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrefForm, FontSizeIsKeptBetween8And20)
{
    struct Row {
        const char* id;
        const char* typed;
        int stored;
    };
    const Row rows[] = {
        {"emptied", "", 8},  {"a lone sign", "-", 8}, {"letters cannot be typed", "ab", 8},
        {"above", "25", 20}, {"below", "5", 8},       {"inside", "14", 14},
    };
    for (const Row& row : rows) {
        open();
        typeInto(pref->sp_size, row.typed);
        QTest::mouseClick(pref->but_ok, Qt::LeftButton);
        EXPECT_EQ(globals.TextSize, row.stored) << row.id;
        EXPECT_EQ(pref->sp_size->text().toStdString(), std::to_string(row.stored)) << row.id;
        EXPECT_EQ(iniValue("TEXT", "SIZE"), std::to_string(row.stored)) << row.id;
    }
    globals.TextSize = 30;
    open();
    EXPECT_EQ(pref->sp_size->value(), 20) << "a stored size outside the range is shown inside it";
}

TEST_F(PrefForm, ShowFillsTheControlsAndOkSavesThemAll)
{
    install.write(iniPath, "[HOTSPOTS]\r\nHOR=-3\r\nVER=4\r\n[PDF]\r\nDISPLAY=1\r\n[TEXT]\r\nBOLD=0\r\nSIZE=12\r\n"
                           "SEL_PRINTER=1\r\nTOP=1234\r\nLEFT=5\r\nLINES=66\r\n[MONO]\r\nMESSAGES=0\r\nPROMPT=1\r\n");
    LoadSettings();
    open();
    EXPECT_EQ(pref->ed_hor->text(), "-3");
    EXPECT_EQ(pref->ed_ver->text(), "4");
    EXPECT_TRUE(pref->cb_pdf->isChecked());
    EXPECT_FALSE(pref->cb_bold->isChecked());
    EXPECT_EQ(pref->sp_size->value(), 12);
    EXPECT_TRUE(pref->rb_askprint->isChecked());
    EXPECT_FALSE(pref->rb_defprint->isChecked());
    EXPECT_EQ(pref->ed_top->text(), "1234") << "a stored value wider than the field is shown whole";
    EXPECT_EQ(pref->ed_lines->text(), "66");
    EXPECT_FALSE(pref->ck_monomsgs->isChecked());
    EXPECT_TRUE(pref->ck_monoprompt->isChecked());

    pref->cb_pdf->click();
    pref->cb_bold->click();
    pref->rb_defprint->click();
    pref->ck_monomsgs->click();
    pref->ck_monoprompt->click();
    // Enter in a field presses the default button.
    QTest::keyClick(pref->ed_hor, Qt::Key_Return);
    EXPECT_FALSE(pref->isVisible());
    EXPECT_EQ(install.read(iniPath),
              "[HOTSPOTS]\r\nHOR=-3\r\nVER=4\r\n[PDF]\r\nDISPLAY=0\r\n[TEXT]\r\nBOLD=1\r\nSIZE=12\r\n"
              "SEL_PRINTER=0\r\nTOP=1234\r\nLEFT=5\r\nLINES=66\r\n[MONO]\r\nMESSAGES=1\r\n"
              "PROMPT=0\r\n");
    EXPECT_FALSE(globals.DisplayPdf);
    EXPECT_TRUE(globals.TextBold);
    EXPECT_FALSE(globals.AskForPrinter);
    EXPECT_TRUE(globals.MonoMessages);
    EXPECT_FALSE(globals.MonoPrompt);
}

TEST_F(PrefForm, NotAnIntegerStopsAtThatField)
{
    open();
    typeInto(pref->ed_hor, "5");
    typeInto(pref->ed_ver, "-3");
    pref->cb_bold->click();
    typeInto(pref->sp_size, "14");
    pref->rb_askprint->click();
    typeInto(pref->ed_top, "abc");
    typeInto(pref->ed_left, "7");
    QTest::mouseClick(pref->but_ok, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "'abc' is not a valid integer value.");
    EXPECT_EQ(boxes.boxes()[0].caption, ui::applicationTitle());
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_EQ(globals.HotSpotOffsetX, 5) << "the steps before keep their values";
    EXPECT_EQ(globals.HotSpotOffsetY, -3);
    EXPECT_TRUE(globals.TextBold);
    EXPECT_EQ(globals.TextSize, 14);
    EXPECT_TRUE(globals.AskForPrinter);
    EXPECT_EQ(globals.TopMargin, 10) << "the field in error and those after it are not taken";
    EXPECT_EQ(globals.LeftMargin, 20);
    EXPECT_FALSE(install.exists(iniPath)) << "nothing saved";
    EXPECT_TRUE(pref->isVisible());

    struct Row {
        const char* id;
        QLineEdit* Tform_pref::*field;
        const char* typed;
    };
    const Row rows[] = {
        {"empty horizontal", &Tform_pref::ed_hor, ""},
        {"lone minus in vertical", &Tform_pref::ed_ver, "-"},
        {"hexadecimal in lines", &Tform_pref::ed_lines, "0x1"},
        {"blank before the digits", &Tform_pref::ed_left, " 12"},
    };
    for (const Row& row : rows) {
        boxes.clear();
        pref->hide();
        open();
        typeInto(pref.get()->*row.field, row.typed);
        QTest::mouseClick(pref->but_ok, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(),
                  std::vector<std::string>{"'" + std::string(row.typed) + "' is not a valid integer value."})
            << row.id;
        EXPECT_FALSE(install.exists(iniPath)) << row.id;
        EXPECT_TRUE(pref->isVisible()) << row.id;
    }
}

TEST_F(PrefForm, RefusedSaveKeepsTheDialogOpen)
{
    open();
    typeInto(pref->ed_lines, "70");
    {
        testing_support::FileSizeLimit limit(40);
        QTest::mouseClick(pref->but_ok, Qt::LeftButton);
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to write to C:\\Stylara\\tablet.ini."});
    EXPECT_EQ(globals.LinesPerPage, 70) << "the members were set before the save";
    EXPECT_TRUE(pref->isVisible());
}

TEST_F(PrefForm, CancelDropsTheEdits)
{
    const std::string ini = "[HOTSPOTS]\r\nHOR=2\r\n[TEXT]\r\nLINES=50\r\n";
    install.write(iniPath, ini);
    LoadSettings();
    const _globals before = globals;
    for (const bool byEscape : {false, true}) {
        open();
        typeInto(pref->ed_hor, "-9");
        typeInto(pref->ed_lines, "100");
        typeInto(pref->sp_size, "19");
        pref->cb_pdf->click();
        pref->rb_askprint->click();
        if (byEscape)
            QTest::keyClick(pref->ed_hor, Qt::Key_Escape);
        else
            QTest::mouseClick(pref->but_cancel, Qt::LeftButton);
        EXPECT_FALSE(pref->isVisible()) << byEscape;
        EXPECT_EQ(globals.HotSpotOffsetX, before.HotSpotOffsetX) << byEscape;
        EXPECT_EQ(globals.LinesPerPage, before.LinesPerPage) << byEscape;
        EXPECT_EQ(globals.TextSize, before.TextSize) << byEscape;
        EXPECT_EQ(globals.DisplayPdf, before.DisplayPdf) << byEscape;
        EXPECT_EQ(globals.AskForPrinter, before.AskForPrinter) << byEscape;
        EXPECT_EQ(install.read(iniPath), ini) << byEscape;
        open();
        EXPECT_EQ(pref->ed_hor->text(), "2") << "the next show starts from the record";
        EXPECT_EQ(pref->ed_lines->text(), "50");
        EXPECT_FALSE(pref->cb_pdf->isChecked());
        EXPECT_TRUE(pref->rb_defprint->isChecked());
        pref->hide();
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrefForm, DefinePrintersFollowsTheMarkerFile)
{
    open();
    EXPECT_FALSE(pref->but_ssprint->isVisible());
    install.write("C:\\Stylara\\qelm.txt", "");
    EXPECT_FALSE(pref->but_ssprint->isVisible()) << "looked for only when the dialog opens";
    pref->hide();
    open();
    ASSERT_TRUE(pref->but_ssprint->isVisible());

    QWidget* modal = nullptr;
    QTimer::singleShot(0, pref.get(), [&] {
        modal = QApplication::activeModalWidget();
        QTest::mouseClick(form_printers->but_cancel, Qt::LeftButton);
    });
    QTest::mouseClick(pref->but_ssprint, Qt::LeftButton);
    EXPECT_EQ(modal, form_printers) << "Preferences waits for the printer dialog";
    EXPECT_FALSE(form_printers->isVisible());
    EXPECT_TRUE(pref->isVisible());
}

TEST_F(PrefForm, TrayMenuOpensItWithTheFocusInHorizontal)
{
    Tform_config config;
    form_config = &config;
    globals.HotSpotOffsetX = 6;
    config.Preferences1->trigger();
    EXPECT_TRUE(pref->isVisible());
    EXPECT_FALSE(pref->isModal());
    EXPECT_EQ(pref->focusWidget(), pref->ed_hor);
    EXPECT_EQ(pref->ed_hor->text(), "6");
    form_config = nullptr;
}
