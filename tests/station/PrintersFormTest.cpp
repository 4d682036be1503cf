#include "StationFixture.h"
#include "print/InstalledPrinters.h"
#include "station/Init.h"
#include "ui/Application.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/mount.h>
#include <unistd.h>

namespace {
const char* const plistPath = "C:\\Stylara\\plist";

std::string line(const std::string& name, const std::string& description)
{
    std::string key = name.substr(0, 50);
    key.resize(50, ' ');
    return key + description;
}
} // namespace

class PrintersForm : public StationFixture {
protected:
    void SetUp() override
    {
        StationFixture::SetUp();
        ASSERT_TRUE(ReadInstallDir());
        print::setInstalledPrinters(std::vector<std::string>{"Zeta", "alpha", "Beta", longName});
    }
    void TearDown() override
    {
        print::setInstalledPrinters(std::nullopt);
        StationFixture::TearDown();
    }

    void open()
    {
        printers->show();
        ASSERT_TRUE(printers->isVisible());
    }
    // A click on the printer's row, as the user picks it.
    void select(const std::string& name)
    {
        const QList<QListWidgetItem*> found =
            printers->lb_printers->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        const QRect row = printers->lb_printers->visualItemRect(found.front());
        QTest::mouseClick(printers->lb_printers->viewport(), Qt::LeftButton, {}, row.center());
        ASSERT_TRUE(found.front()->isSelected()) << name;
    }
    void describe(const QString& text)
    {
        printers->ed_desc->selectAll();
        QTest::keyClick(printers->ed_desc, Qt::Key_Backspace);
        QTest::keyClicks(printers->ed_desc, text);
    }
    void save() { QTest::mouseClick(printers->but_save, Qt::LeftButton); }
    std::vector<std::string> shownPrinters() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < printers->lb_printers->count(); ++i)
            names.push_back(printers->lb_printers->item(i)->text().toStdString());
        return names;
    }

    const std::string longName = "Department-printer-on-the-third-floor-east-wing-room-301";
};

TEST_F(PrintersForm, ShowListsThePrintersAndTheSavedDescriptions)
{
    install.write(plistPath, line("Zeta", "ZZ") + "\r\n" + line("Beta", "B1") + "\r\n");
    open();
    EXPECT_EQ(shownPrinters(), (std::vector<std::string>{"alpha", "Beta", longName, "Zeta"}))
        << "sorted with letter case ignored";
    EXPECT_TRUE(printers->lb_printers->selectedItems().isEmpty());
    EXPECT_EQ(printers->lb_rprint.items(), (std::vector<std::string>{line("Beta", "B1"), line("Zeta", "ZZ")}));
    EXPECT_FALSE(printers->but_save->isEnabled());
    EXPECT_EQ(printers->focusWidget(), printers->lb_printers);

    select("Beta");
    EXPECT_EQ(printers->ed_desc->text(), "B1");
    select("alpha");
    EXPECT_EQ(printers->ed_desc->text(), "") << "a printer without a description";
    EXPECT_FALSE(printers->but_save->isEnabled()) << "a click leaves Save as it was";
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrintersForm, StoredDescriptionsAreShownAndKeptWhole)
{
    // A hand-written "plist" may hold more than the 20 characters the edit lets one type.
    const std::string handWritten = "Cheques-and-Remittances"; // 23 characters
    install.write(plistPath, line("Beta", handWritten) + "\r\n" + line("Zeta", "Z1") + "\r\n");
    open();
    select("Beta");
    EXPECT_EQ(printers->ed_desc->text().toStdString(), handWritten);
    QTest::keyClicks(printers->ed_desc, "x");
    EXPECT_EQ(printers->ed_desc->text().toStdString(), handWritten) << "typing stops at the limit";
    save();
    EXPECT_EQ(printers->lb_rprint.items(), (std::vector<std::string>{line("Beta", handWritten), line("Zeta", "Z1")}));

    // A click on the printer already selected shows its stored description again.
    select("Zeta");
    describe("Z2");
    select("Zeta");
    EXPECT_EQ(printers->ed_desc->text(), "Z1");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrintersForm, SaveAddsInOrderOrReplacesAndOkWritesPlist)
{
    install.write(plistPath, line("Beta", "B1") + "\r\n" + line("Zeta", "Z1") + "\r\n");
    open();
    select("alpha");
    describe("A-1");
    EXPECT_TRUE(printers->but_save->isEnabled());
    save();
    EXPECT_FALSE(printers->but_save->isEnabled());
    select("Beta");
    describe("B2");
    save();
    select("Beta");
    describe("B3");
    save();
    select(longName);
    describe("Upstairs");
    save();
    select("Zeta");
    describe("B");
    printers->ed_desc->insert(QString::fromUtf8("üro-2")); // the test's keys hold only ASCII
    save();
    EXPECT_EQ(install.read(plistPath), line("Beta", "B1") + "\r\n" + line("Zeta", "Z1") + "\r\n")
        << "Save alone writes nothing";

    QTest::mouseClick(printers->but_ok, Qt::LeftButton);
    EXPECT_FALSE(printers->isVisible());
    EXPECT_EQ(install.read(plistPath), line("alpha", "A-1") + "\r\n" + line("Beta", "B3") + "\r\n" +
                                           line(longName, "Upstairs") + "\r\n" + line("Zeta", "B\xfcro-2") + "\r\n")
        << "descriptions in the host's code page";

    // The lookup reads the very list the dialog fills.
    LoadPrinterDescriptions();
    EXPECT_EQ(FindCustomPrinter("B3"), "Beta");
    EXPECT_EQ(FindCustomPrinter("Upstairs"), longName.substr(0, 50));
    EXPECT_EQ(FindCustomPrinter("B\xfcro-2"), "Zeta") << "as the host's \"C:\" line names it";
    EXPECT_TRUE(boxes.boxes().empty());
    open();
    select(longName);
    EXPECT_EQ(printers->ed_desc->text(), "Upstairs") << "found again under its first 50 characters";
    select("Zeta");
    EXPECT_EQ(printers->ed_desc->text(), QString::fromUtf8("Büro-2"));
}

TEST_F(PrintersForm, ReplacingKeepsTheLineInItsPlace)
{
    // Two lines of one printer, as a hand-made file may hold: the first is replaced where it stands.
    install.write(plistPath, line("Beta", "a") + "\r\n" + line("Beta", "b") + "\r\n");
    open();
    select("Beta");
    EXPECT_EQ(printers->ed_desc->text(), "a");
    describe("z");
    save();
    EXPECT_EQ(printers->lb_rprint.items(), (std::vector<std::string>{line("Beta", "z"), line("Beta", "b")}));
}

TEST_F(PrintersForm, BlanksAreRefusedWithABeep)
{
    open();
    select("Zeta");
    const int beeps = ui::beepCount();
    QTest::keyClick(printers->ed_desc, Qt::Key_Space);
    EXPECT_EQ(ui::beepCount(), beeps + 1);
    EXPECT_EQ(printers->ed_desc->text(), "");
    EXPECT_FALSE(printers->but_save->isEnabled()) << "a refused key enables nothing";
    QTest::keyClicks(printers->ed_desc, "North Wing");
    EXPECT_EQ(ui::beepCount(), beeps + 2);
    EXPECT_EQ(printers->ed_desc->text(), "NorthWing");
    EXPECT_TRUE(printers->but_save->isEnabled());
    QTest::keyClicks(printers->ed_desc, "-and-more-than-twenty");
    EXPECT_EQ(printers->ed_desc->text().size(), 20);
    QTest::keyClick(printers->ed_desc, Qt::Key_Return);
    EXPECT_EQ(printers->lb_rprint.Count(), 0) << "Enter presses no button of this dialog";
    EXPECT_TRUE(printers->isVisible());
}

TEST_F(PrintersForm, SaveErrors)
{
    open();
    // Typing and erasing leaves Save enabled with nothing to store.
    select("Zeta");
    QTest::keyClicks(printers->ed_desc, "x");
    QTest::keyClick(printers->ed_desc, Qt::Key_Backspace);
    save();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Please enter a description.");
    EXPECT_EQ(boxes.boxes()[0].caption, "Note");
    EXPECT_EQ(boxes.boxes()[0].icon(), "information");
    EXPECT_EQ(printers->lb_rprint.Count(), 0);

    boxes.clear();
    printers->hide();
    open();
    QTest::keyClicks(printers->ed_desc, "Orphan");
    save();
    ASSERT_EQ(boxes.boxes().size(), 1u) << "no printer selected";
    EXPECT_EQ(boxes.boxes()[0].text, "List index out of bounds (-1)");
    EXPECT_EQ(boxes.boxes()[0].caption, ui::applicationTitle());
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_EQ(printers->lb_rprint.Count(), 0);
    EXPECT_TRUE(printers->isVisible());
}

TEST_F(PrintersForm, CancelAfterSavesChangesNothing)
{
    const std::string plist = line("Beta", "B1") + "\r\n";
    install.write(plistPath, plist);
    for (const bool byEscape : {false, true}) {
        open();
        select("Beta");
        describe("Changed");
        save();
        select("alpha");
        describe("Added");
        save();
        if (byEscape)
            QTest::keyClick(printers->lb_printers, Qt::Key_Escape);
        else
            QTest::mouseClick(printers->but_cancel, Qt::LeftButton);
        EXPECT_FALSE(printers->isVisible()) << byEscape;
        EXPECT_EQ(install.read(plistPath), plist) << byEscape;
        open();
        EXPECT_EQ(printers->lb_rprint.items(), std::vector<std::string>{line("Beta", "B1")}) << byEscape;
        printers->hide();
    }
    LoadPrinterDescriptions();
    EXPECT_EQ(FindCustomPrinter("Added"), "");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"No custom printer description entry was found on this PC for "
                                                      "'Added'.\n\nSending to default printer..."});
}

TEST_F(PrintersForm, OkThatCannotWriteKeepsTheDialogOpen)
{
    open();
    select("alpha");
    describe("A");
    save();
    select("Beta");
    describe("B");
    save();

    namespace fs = std::filesystem;
    const std::string native = install.native(plistPath);
    const std::string folder = install.native("C:\\Stylara");
    struct Row {
        const char* id;
        std::function<void()> arrange;
        std::function<void()> verify; // what stays as it was
    };
    const Row rows[] = {
        {"a folder in the file's place", [&] { install.write("C:\\Stylara\\plist\\inside", ""); },
         [&] { EXPECT_TRUE(install.exists("C:\\Stylara\\plist\\inside")); }},
        // Mode bits stop nothing for root; a read-only "plist" stays as it was all the same.
        {"a read-only file",
         [&] {
             install.write(plistPath, "kept\r\n");
             fs::permissions(native, fs::perms::owner_read);
         },
         [&] { EXPECT_EQ(install.read(plistPath), "kept\r\n"); }},
    };
    for (const Row& row : rows) {
        boxes.clear();
        row.arrange();
        QTest::mouseClick(printers->but_ok, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Cannot create file C:\\Stylara\\plist."}) << row.id;
        EXPECT_TRUE(printers->isVisible()) << row.id;
        row.verify();
        if (fs::is_regular_file(fs::symlink_status(native)))
            fs::permissions(native, fs::perms::owner_all);
        fs::remove_all(native);
    }

    const std::string list = line("alpha", "A") + "\r\n" + line("Beta", "B") + "\r\n";
    QTest::mouseClick(printers->but_ok, Qt::LeftButton);
    EXPECT_FALSE(printers->isVisible());
    EXPECT_EQ(install.read(plistPath), list);

    // A link in the file's place, read through at show, is replaced by a file of its own, as every
    // staged write does; what it points to stays as it was.
    const std::string outside = install.root() + "/outside";
    std::ofstream(outside) << "theirs";
    fs::remove(native);
    fs::create_symlink(outside, native);
    open();
    QTest::mouseClick(printers->but_ok, Qt::LeftButton);
    EXPECT_FALSE(printers->isVisible());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(native)));
    EXPECT_EQ(install.read(plistPath), "theirs\r\n");
    EXPECT_EQ(testing_support::fileContents(outside), "theirs");
}

namespace {

// A file system of its own over `folder` while it lives, where mounting is allowed, that can be filled.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : m_folder(folder)
    {
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }
    // Fills what room is left with a file of its own.
    void fill() const
    {
        const int fd = ::open((m_folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::string chunk(4096, 'f');
        while (fd >= 0 && ::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        for (size_t size = chunk.size() / 2; fd >= 0 && size > 0; size /= 2)
            while (::write(fd, chunk.data(), size) > 0) {
            }
        if (fd >= 0)
            ::close(fd);
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

} // namespace

TEST_F(PrintersForm, AListTheDiskCannotTakeLeavesTheOldListWhole)
{
    namespace fs = std::filesystem;
    const std::string folder = install.native("C:\\Stylara");
    const std::string old = line("Zeta", "Old description kept") + "\r\n";
    struct Row {
        const char* id;
        std::function<bool()> fails; // makes the disk fail the write while it runs; false when it cannot here
    };
    std::optional<testing_support::FileSizeLimit> limit;
    std::optional<SmallDisk> disk;
    const Row rows[] = {
        // The process may write only so much: the disk takes the first part of the new list.
        {"a file size limit",
         [&] {
             limit.emplace(60);
             return true;
         }},
        {"a full file system",
         [&] {
             disk.emplace(folder);
             if (!disk->mounted())
                 return false;
             install.write(plistPath, old);
             disk->fill();
             return true;
         }},
    };
    std::vector<std::string> skipped;
    for (const Row& row : rows) {
        install.write(plistPath, old);
        open();
        select("alpha");
        describe("A-longer-line");
        save();
        select("Beta");
        describe("B-longer-line");
        save();
        boxes.clear();
        if (!row.fails()) {
            skipped.push_back(row.id);
            disk.reset();
            printers->hide();
            continue;
        }
        QTest::mouseClick(printers->but_ok, Qt::LeftButton);
        limit.reset();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to write to C:\\Stylara\\plist."}) << row.id;
        EXPECT_TRUE(printers->isVisible()) << row.id;
        EXPECT_EQ(install.read(plistPath), old) << row.id << ": byte for byte";
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_NE(entry.path().filename().string().rfind(".~", 0), 0u) << row.id << ": no staging file stays";
        disk.reset();
        printers->hide();
    }
    if (!skipped.empty())
        GTEST_SKIP() << "no file system of its own can be mounted here: not tried: " << skipped.front();
}
