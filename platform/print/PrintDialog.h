#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace print {

// What the print dialog offers and what the user leaves in it.
struct DialogChoice {
    int printerIndex = -1;
    int copies = 1;
    bool collate = false;
};

// The print dialog in the manner of the class library's. Its copies are the printer's copies: setting
// one sets the other.
class PrintDialog {
public:
    int copies() const;
    void setCopies(int copies);
    bool collate() const { return m_collate; }
    void setCollate(bool collate) { m_collate = collate; }

    // Shows the dialog on the program's printer object; true on OK, and then the printer, copies and
    // collation chosen stay with the printer. Cancel changes nothing.
    bool execute(QWidget* owner = nullptr);

private:
    bool m_collate = false;
};

// Stands in for the dialog while it lives: every dialog is recorded as offered and answered by the
// responder, which may change the choice; nullptr answers OK with the choice as offered.
class DialogScript {
public:
    using Responder = std::function<bool(DialogChoice&)>;
    explicit DialogScript(Responder responder = nullptr);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    const std::vector<DialogChoice>& offered() const { return m_offered; }

private:
    friend class PrintDialog;
    bool answer(DialogChoice& choice);

    Responder m_responder;
    std::vector<DialogChoice> m_offered;
    DialogScript* m_previous;
};

} // namespace print
