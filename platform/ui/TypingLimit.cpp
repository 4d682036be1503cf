#include "TypingLimit.h"

#include <QLineEdit>

#include <algorithm>

namespace ui {

TypingLimit::TypingLimit(int length, QLineEdit* edit) : QValidator(edit), m_length(length), m_edit(edit) {}

QValidator::State TypingLimit::validate(QString& input, int& position) const
{
    // The edit counts as modified only while the user changes it; a text the program sets is taken
    // whole.
    const bool typed = m_edit->isModified();
    if (typed && input != m_taken && input.size() > m_length && input.size() >= m_taken.size()) {
        if (m_taken.size() > m_length)
            return Invalid;
        // The change put text in before the cursor, in place of what lay between the unchanged start
        // and the unchanged end; as much of it stays as the limit leaves room for.
        const qsizetype after = std::clamp<qsizetype>(input.size() - position, 0, m_taken.size());
        qsizetype before = 0;
        const qsizetype most = std::min<qsizetype>(position, m_taken.size() - after);
        while (before < most && input.at(before) == m_taken.at(before))
            ++before;
        const qsizetype room = m_length - (before + after);
        if (room <= 0)
            return Invalid;
        input = input.left(before + room) + input.right(after);
        position = static_cast<int>(before + room);
    }
    m_taken = input;
    return Acceptable;
}

} // namespace ui
