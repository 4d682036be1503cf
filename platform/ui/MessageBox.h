#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

// Flags and results with the platform's values, so callers read as the programs were written.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x0,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct Box {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    int answer = 0;

    std::string icon() const;   // "error", "question", "warning", "information" or ""
    int defaultAnswer() const;  // the button that Enter would press
};

// Every message box of the programs goes through here. In production it is a modal QMessageBox
// whose nested loop keeps events flowing; with STYLARA_BOXES=log it writes "caption | icon | text" to
// standard error and answers with the default button; tests install a responder.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

// True where a box is written to standard error rather than shown: STYLARA_BOXES=log, or no application.
bool boxesGoToStandardError();

using Responder = std::function<int(const Box&)>;

// Records every box and answers through the responder (nullptr: the default button). Installing a
// recorder replaces the real boxes until it is destroyed.
class BoxRecorder {
public:
    explicit BoxRecorder(Responder responder = nullptr);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // Answers the next boxes in this order; after them the responder (or the default) answers.
    void queueAnswers(std::vector<int> answers);

    const std::vector<Box>& boxes() const { return m_boxes; }
    std::vector<std::string> texts() const;
    void clear() { m_boxes.clear(); }

private:
    friend int MessageBox(const std::string&, const std::string&, unsigned);
    int answer(Box box);

    Responder m_responder;
    std::vector<int> m_queued;
    std::vector<Box> m_boxes;
    BoxRecorder* m_previous;
};

} // namespace ui
