#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace ui {

// The programs' text is bytes in the PC's ANSI code page (Windows-1252), as the host writes its
// documents and replies; these turn it into what a widget shows and back.
QString fromAnsi(std::string_view bytes);
// A character the code page lacks becomes "?", as the platform's conversion makes it.
std::string toAnsi(const QString& text);

// A host text document for a text view: CR LF and a lone CR end a line as LF does.
QString documentFromAnsi(std::string_view bytes);

} // namespace ui
