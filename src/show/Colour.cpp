#include "show/Colour.h"

#include <QApplication>
#include <QPalette>

namespace colour {

namespace {

// System colour numbers 0 to 24 in the classic order, mapped to what the desktop's palette offers.
constexpr int SystemColours = 25;

std::optional<QColor> systemColour(int index) {
    const QPalette p = QApplication::palette();
    using R = QPalette::ColorRole;
    static constexpr R roles[] = {
        R::Mid,             // scroll bar
        R::Dark,            // desktop
        R::Highlight,       // active caption
        R::Mid,             // inactive caption
        R::Window,          // menu bar
        R::Base,            // window
        R::Shadow,          // window frame
        R::WindowText,      // menu text
        R::Text,            // window text
        R::HighlightedText, // caption text
        R::Window,          // active border
        R::Window,          // inactive border
        R::Dark,            // application workspace
        R::Highlight,       // highlight
        R::HighlightedText, // highlighted text
        R::Button,          // button face
        R::Dark,            // button shadow
        R::PlaceholderText, // grey text
        R::ButtonText,      // button text
        R::WindowText,      // inactive caption text
        R::Light,           // button highlight
        R::Shadow,          // 3D dark shadow
        R::Midlight,        // 3D light
        R::ToolTipText,     // tooltip text
        R::ToolTipBase,     // tooltip background
    };
    static_assert(std::size(roles) == SystemColours);
    if (index < 0 || index >= int(std::size(roles)))
        return std::nullopt;
    return p.color(QPalette::Active, roles[index]);
}

} // namespace

bool names(qint32 value) {
    const auto bits = quint32(value);
    if (bits & 0x80000000u)
        return (bits & 0x7FFFFF00u) == 0 && int(bits & 0xFFu) < SystemColours;
    return bits <= 0x00FFFFFFu;
}

std::optional<QColor> toQColor(qint32 value) {
    const auto bits = quint32(value);
    if (bits & 0x80000000u) {
        if ((bits & 0x7FFFFF00u) != 0)
            return std::nullopt;
        return systemColour(int(bits & 0xFFu));
    }
    if (bits > 0x00FFFFFFu)
        return std::nullopt;
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

qint32 fromRgb(int red, int green, int blue) {
    return qint32((quint32(blue & 0xFF) << 16) | (quint32(green & 0xFF) << 8) | quint32(red & 0xFF));
}

qint32 fromQColor(const QColor& c) {
    return fromRgb(c.red(), c.green(), c.blue());
}

} // namespace colour
