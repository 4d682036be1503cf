#pragma once

#include <QValidator>

class QLineEdit;

namespace ui {

// An edit's length limit that holds for the user's changes only, as the platform's edit limit does: a
// longer text that the program puts in (a value from a file) is shown whole, as it would be stored
// again, and the user may shorten it but not make it longer. A paste or insert() that does not fit
// keeps as many of its first characters as do.
class TypingLimit : public QValidator {
public:
    TypingLimit(int length, QLineEdit* edit);
    State validate(QString& input, int& position) const override;

private:
    int m_length;
    QLineEdit* m_edit;
    mutable QString m_taken; // the text last taken
};

} // namespace ui
