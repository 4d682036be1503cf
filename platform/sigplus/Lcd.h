#pragma once

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>

#include <string>
#include <vector>

namespace sigplus {

// The pad's 240 by 64 one-bit screen and the background picture it keeps for refreshes. A lit pixel
// is a dark one on the glass.
class Lcd {
public:
    static constexpr int Width = 240;
    static constexpr int Height = 64;

    enum Destination { Screen = 0, Background = 1 };

    Lcd();

    // Copies a picture of any depth into the area (no scaling; what lies outside the area or the glass
    // is cut off). A pixel darker than mid-grey is lit.
    void writeBitmap(int destination, const QRect& area, const QImage& picture);

    // Mode 0 clears the area, 1 inverts it, 2 copies the background into it; other modes do nothing.
    void refresh(int mode, const QRect& area);

    // The height is the text cell's height in pixels, as the platform's fonts count it; "Arial" and
    // "Arial Monospaced" come out as the Liberation faces.
    void setFont(int height, int weight, const std::string& face);

    // Text with the top left of its cell at (x, y); lit pixels are added, nothing is cleared. The
    // bytes are the host's 8-bit characters.
    void writeString(int destination, int x, int y, const std::string& text);

    // One stroke of ink from one pen position to the next, cut to the window.
    void drawInk(const QPointF& from, const QPointF& to, const QRect& window);

    bool lit(int x, int y) const;
    bool backgroundLit(int x, int y) const;
    QImage image() const; // the screen as a black-on-white picture
    const QFont& font() const { return m_font; }

private:
    std::vector<unsigned char>& plane(int destination);
    void set(std::vector<unsigned char>& pixels, int x, int y, bool on);

    std::vector<unsigned char> m_screen;
    std::vector<unsigned char> m_background;
    QFont m_font;
};

} // namespace sigplus
