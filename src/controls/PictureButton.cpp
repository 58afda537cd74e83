#include "controls/PictureButton.h"

#include "controls/FittingFont.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int PictureSize = 32;
constexpr int Margin = 4;
constexpr int CaptionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

PictureButton::PictureButton(const QString& caption, Drawing picture, QWidget* parent)
    : QPushButton(caption, parent), picture_(picture) {
    setIconSize(QSize(PictureSize, PictureSize));
}

void PictureButton::showEvent(QShowEvent* event) {
    if (picture_) {
        setIcon(QIcon(picture_()));
        picture_ = nullptr;
    }
    QPushButton::showEvent(event);
}

QRect PictureButton::pictureRect() const {
    return QRect((width() - PictureSize) / 2, Margin + 1, PictureSize, PictureSize);
}

QRect PictureButton::captionRect() const {
    const int top = pictureRect().bottom() + 3;
    return QRect(Margin, top, width() - 2 * Margin, height() - top - Margin + 1);
}

QFont PictureButton::captionFont() const {
    return fitting::font(font(), text(), captionRect().size(), CaptionFlags);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style marks the focus only once a key has moved it, but the menu gives the focus to the
    // button used last for the keyboard's sake: the mark shows as soon as the button has the focus.
    if (hasFocus())
        option.state |= QStyle::State_KeyboardFocusChange;
    // The style draws the face and the focus mark; picture and caption are placed here.
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);

    // A pressed button's contents sink by a pixel, as on any push button.
    const QPoint sunk = isDown() ? QPoint(1, 1) : QPoint();
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    painter.drawPixmap(pictureRect().translated(sunk), icon().pixmap(iconSize(), devicePixelRatioF(), mode));
    painter.setFont(captionFont());
    painter.drawItemText(captionRect().translated(sunk), CaptionFlags, palette(), isEnabled(), text(),
                         QPalette::ButtonText);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button that has the focus, as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
