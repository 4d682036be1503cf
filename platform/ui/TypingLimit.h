#pragma once

#include <QValidator>

class QLineEdit;

namespace ui {

// An edit's length limit that holds for typing only, as the platform's edit limit does: a longer text
// that the program puts in (a value from a file) is shown whole, as it would be stored again, and the
// user may shorten it but not type it longer.
class TypingLimit : public QValidator {
public:
    TypingLimit(int length, QLineEdit* edit);
    State validate(QString& input, int& position) const override;

private:
    int m_length;
    QLineEdit* m_edit;
    mutable qsizetype m_shown = 0; // the length of the text last taken
};

} // namespace ui
