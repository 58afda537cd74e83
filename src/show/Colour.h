#pragma once

#include <QColor>
#include <QtGlobal>

#include <optional>

// Colours are kept as the program stores them: a signed 32-bit 0x00BBGGRR value, or, with the top
// bit set, the number of a system colour (0x8000000F is the button face).
namespace colour {

constexpr qint32 ButtonFace = qint32(0x8000000F);

// True when `value` names a colour: a plain 0x00BBGGRR value or a known system colour. Needs no
// application object.
bool names(qint32 value);
// The colour a window background gets for `value`, or nothing when `value` names no colour.
std::optional<QColor> toQColor(qint32 value);
qint32 fromRgb(int red, int green, int blue);
qint32 fromQColor(const QColor& c);

} // namespace colour
