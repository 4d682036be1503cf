#include "ui/TypingLimit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

TEST(TypingLimit, UserChangesKeepWhatFitsAndStoredTextStaysWhole)
{
    const QString alphabet = "abcdefghijklmnopqrstuvwxyz";
    const QString twenty = alphabet.left(20);
    const QString stored = "Cheques-and-Remittances"; // 23 characters from a hand-written file
    struct Row {
        const char* id;
        QString start; // put in by the program
        std::function<void(QLineEdit&)> change;
        QString expected;
        int cursor; // where the cursor stands afterwards; -1: not looked at
    };
    const Row rows[] = {
        {"insert() into an empty edit keeps its first 20", "", [&](QLineEdit& e) { e.insert(alphabet); }, twenty, 20},
        {"a paste keeps its first 20", "",
         [&](QLineEdit& e) {
             QApplication::clipboard()->setText(alphabet);
             e.paste();
         },
         twenty, 20},
        {"an insert at the end fills the room", "hello", [&](QLineEdit& e) { e.insert(alphabet); },
         "hello" + alphabet.left(15), 20},
        {"an insert in the middle keeps the text after it", "helloworld",
         [&](QLineEdit& e) {
             e.setCursorPosition(5);
             e.insert("0123456789ABCDEFGHIJ");
         },
         "hello0123456789world", 15},
        {"an insert that starts like the text after it", "xy",
         [&](QLineEdit& e) {
             e.setCursorPosition(0);
             e.insert(QString(30, 'x'));
         },
         QString(18, 'x') + "xy", 18},
        {"a replaced selection gives its room back", twenty,
         [&](QLineEdit& e) {
             e.setSelection(5, 5);
             e.insert("1234567");
         },
         "abcde12345klmnopqrst", 10},
        {"typing at the limit is refused", twenty, [&](QLineEdit& e) { QTest::keyClicks(&e, "x"); }, twenty, -1},
        {"typing stops at the limit", "", [&](QLineEdit& e) { QTest::keyClicks(&e, alphabet); }, twenty, 20},
        {"a full edit takes no insert", twenty, [&](QLineEdit& e) { e.insert("xyz"); }, twenty, -1},
        {"a short insert is taken whole", "abc", [&](QLineEdit& e) { e.insert("def"); }, "abcdef", 6},
        {"a longer stored text is shown whole", stored, [](QLineEdit&) {}, stored, -1},
        {"a longer stored text may be shortened", stored,
         [&](QLineEdit& e) {
             e.end(false);
             QTest::keyClick(&e, Qt::Key_Backspace);
         },
         stored.left(22), -1},
        {"but not made longer", stored,
         [&](QLineEdit& e) {
             e.end(false);
             QTest::keyClick(&e, Qt::Key_Backspace);
             e.insert("xy");
         },
         stored.left(22), -1},
    };
    for (const Row& row : rows) {
        QLineEdit edit;
        edit.setValidator(new ui::TypingLimit(20, &edit));
        edit.setText(row.start);
        row.change(edit);
        EXPECT_EQ(edit.text(), row.expected) << row.id;
        if (row.cursor >= 0) {
            EXPECT_EQ(edit.cursorPosition(), row.cursor) << row.id;
        }
    }
}
