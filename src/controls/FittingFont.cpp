#include "controls/FittingFont.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QRectF>

namespace fitting {

namespace {

bool fits(const QFont& font, const QString& text, QSize box, int flags) {
    const QRectF area(0, 0, box.width(), box.height());
    // A word wider than the box sticks out of it even when the text wraps, so the width counts too.
    const QRectF used = QFontMetricsF(font).boundingRect(area, flags, text);
    return used.width() <= box.width() + 0.01 && used.height() <= box.height() + 0.01;
}

} // namespace

QFont font(const QFont& wanted, const QString& text, QSize box, int flags) {
    QFont f = wanted;
    // Pixel-sized fonts are left as they are: the designs all give point sizes.
    if (f.pointSizeF() <= 0)
        return f;
    while (!fits(f, text, box, flags) && f.pointSizeF() > SmallestPointSize)
        f.setPointSizeF(qMax(SmallestPointSize, f.pointSizeF() - 0.25));
    return f;
}

void setText(QLabel* label, const QString& text) {
    static constexpr auto OwnFont = "fitting.ownFont";
    if (!label->property(OwnFont).isValid())
        label->setProperty(OwnFont, label->font());
    const QFont own = label->property(OwnFont).value<QFont>();
    const int m = label->margin();
    const QSize box = label->contentsRect().adjusted(m, m, -m, -m).size();
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    label->setFont(font(own, text, box, flags));
    label->setText(text);
}

} // namespace fitting
