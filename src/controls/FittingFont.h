#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QLabel;

// The windows are drawn for a font of a fixed width; where the desktop substitutes a wider one, a
// caption would be cut off. These give the wanted font, or the largest smaller size of it with which
// the text fits the box.
namespace fitting {

inline constexpr qreal SmallestPointSize = 6.0;

// `flags` are the Qt::AlignmentFlag / Qt::TextFlag values the text is drawn with (word wrap included).
QFont font(const QFont& wanted, const QString& text, QSize box, int flags);

// Puts `text` into `label` in the label's own font, or in the largest smaller size of it with which
// the text fits the label's box, drawn as the label draws (alignment, word wrap). The label's own
// font is the one it had when this was first called for it.
void setText(QLabel* label, const QString& text);

} // namespace fitting
