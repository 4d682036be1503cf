#include "TypingLimit.h"

#include <QLineEdit>

namespace ui {

TypingLimit::TypingLimit(int length, QLineEdit* edit) : QValidator(edit), m_length(length), m_edit(edit) {}

QValidator::State TypingLimit::validate(QString& input, int& /*position*/) const
{
    // The edit counts as modified only while the user changes it; a text the program sets is taken
    // whole.
    const bool typed = m_edit->isModified();
    if (typed && input.size() > m_length && input.size() >= m_shown)
        return Invalid;
    m_shown = input.size();
    return Acceptable;
}

} // namespace ui
