#include "controls/PalettePicker.h"

#include "controls/PaletteMaths.h"
#include "platform/ScaledCursor.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

QRgb qtRgb(qint32 colour) {
    const palette::Rgb c = palette::split(colour);
    return qRgb(c.red, c.green, c.blue);
}

int shiftValue(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

void invertPixel(QImage& image, int x, int y) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        image.setPixel(x, y, image.pixel(x, y) ^ 0x00FFFFFFu);
}

} // namespace

PalettePicker::PalettePicker(QWidget* parent, bool swatchChooses)
    : QObject(parent), Pal(new PictureBox(parent)), lbColor(new PictureBox(parent)),
      Save_Colour(new PictureBox(parent)), swatchChooses_(swatchChooses) {
    Pal->setObjectName(QStringLiteral("Pal"));
    Pal->setAccessibleName(QStringLiteral("Palette"));
    lbColor->setObjectName(QStringLiteral("lbColor"));
    lbColor->setAccessibleName(QStringLiteral("Colour under the pointer"));
    Save_Colour->setObjectName(QStringLiteral("Save_Colour"));
    Save_Colour->setAccessibleName(QStringLiteral("Chosen colour"));
    setCursorForScreen();
    Pal->setCanvas(palette::image());
    // Tab reaches the palette; a click leaves the focus where it was, so that Enter still runs
    // what it ran before.
    Pal->setFocusPolicy(Qt::TabFocus);
    Pal->installEventFilter(this);
    lbColor->setBackColour(0);
    Save_Colour->setBackColour(0);

    connect(Pal, &PictureBox::pointerMoved, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint p) {
                Pal_MouseMove(buttons, shiftValue(modifiers), p.x(), p.y());
            });
    connect(Pal, &PictureBox::clicked, this, &PalettePicker::Pal_Click);
    connect(lbColor, &PictureBox::clicked, this, &PalettePicker::lbColor_Click);
}

void PalettePicker::setChosenColour(qint32 colour) {
    Save_Colour->setBackColour(colour);
}

void PalettePicker::Pal_MouseMove(Qt::MouseButtons, int shift, int x, int y) {
    const qint32 colour = palette::pixel(x, y);
    if (colour >= 0) {
        // The keys go on from where the pointer was.
        crossHair_ = QPoint(x, y);
        if (Pal->hasFocus())
            Pal->setCrossHair(crossHair_);
    }
    if (shift == 0)
        ShowColors(colour);
    else
        ShowGradient(std::nullopt, colour);
    // The swatch is drawn now rather than when the event loop comes round, so it keeps up with the
    // pointer.
    lbColor->repaint();
}

void PalettePicker::ShowColors(qint32 colour) {
    if (colour < 0)
        return;
    lbColor->setBackColour(colour);
    txCol_ = QString::number(colour);
}

void PalettePicker::ShowGradient(std::optional<qint32> first, qint32 second) {
    if (second < 0 || (first && *first < 0))
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    ShowColors(second);
    QImage& img = lbColor->canvas();
    const int w = img.width();
    const int h = img.height();
    for (int i = 0; i < 256 && i < w; ++i) {
        const QRgb c = qtRgb(palette::gradientColumn(first, second, i));
        for (int y = 0; y < h; ++y)
            img.setPixel(i, y, c);
    }
    const double line = palette::scaleLine(h);
    const int lineY = int(std::lround(line));
    for (int x = 0; x < w; ++x)
        invertPixel(img, x, lineY);
    QPainter p(&img);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(7);
    p.setFont(font);
    const QFontMetrics metrics(font);
    for (const palette::Tick& tick : palette::ticks(w)) {
        // The tick stops short of the line, as a line stops short of its end point.
        for (int y = lineY - 5; y < lineY; ++y)
            invertPixel(img, tick.x, y);
        if (tick.number > 0)
            p.drawText(QPoint(tick.textX, int(line) + 1 + metrics.ascent()),
                       u' ' + QString::number(tick.number));
    }
    p.end();
    lbColor->update();
    QApplication::restoreOverrideCursor();
}

void PalettePicker::Pal_Click() {
    bool ok = false;
    const qint32 colour = txCol_.toInt(&ok);
    if (!ok)
        return;
    Save_Colour->setBackColour(colour);
    emit colourChosen(colour);
}

void PalettePicker::lbColor_Click() {
    if (!swatchChooses_)
        return;
    Save_Colour->setBackColour(lbColor->backColour());
    emit colourChosen(lbColor->backColour());
}

void PalettePicker::setCursorForScreen() {
    const qreal ratio = Pal->devicePixelRatioF();
    if (ratio == cursorRatio_)
        return;
    cursorRatio_ = ratio;
    const QCursor cross = crossHairCursor(ratio);
    for (PictureBox* box : {Pal, lbColor, Save_Colour})
        box->setCursor(cross);
}

bool PalettePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Pal)
        return false;
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::ScreenChangeInternal:
        // Shown on a screen, or moved to another: the pointer at that screen's pixels.
        setCursorForScreen();
        return false;
    case QEvent::ShortcutOverride: {
        // Enter is the window's default button elsewhere; on the palette it chooses the colour.
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            key->accept();
            return true;
        default:
            return false;
        }
    }
    case QEvent::KeyPress:
        return paletteKey(*static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
        // The cross-hair stays where the user left it, unless another colour was chosen since
        // (by the pointer, or a show loaded): then it starts on that one.
        if (!crossHairFor_ || *crossHairFor_ != chosenColour()) {
            crossHair_ = palette::startFor(chosenColour());
            crossHairFor_ = chosenColour();
        }
        moveCrossHair(crossHair_, Qt::NoModifier);
        return false;
    case QEvent::FocusOut:
        Pal->setCrossHair(std::nullopt);
        return false;
    default:
        return false;
    }
}

bool PalettePicker::paletteKey(QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const int step = modifiers.testFlag(Qt::ShiftModifier) ? palette::BigStep : 1;
    QPoint to = crossHair_;
    switch (key.key()) {
    case Qt::Key_Left:
        to = palette::stepped(crossHair_, -step, 0);
        break;
    case Qt::Key_Right:
        to = palette::stepped(crossHair_, step, 0);
        break;
    case Qt::Key_Up:
        to = palette::stepped(crossHair_, 0, -step);
        break;
    case Qt::Key_Down:
        to = palette::stepped(crossHair_, 0, step);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (key.isAutoRepeat())
            return true;
        // What is under the cross-hair now, even if the pointer passed over the palette since.
        moveCrossHair(crossHair_, modifiers);
        Pal_Click();
        crossHairFor_ = chosenColour();
        return true;
    default:
        return false;
    }
    moveCrossHair(to, modifiers);
    return true;
}

void PalettePicker::moveCrossHair(QPoint at, Qt::KeyboardModifiers modifiers) {
    Pal_MouseMove(Qt::NoButton, shiftValue(modifiers), at.x(), at.y());
    Pal->setCrossHair(crossHair_);
    // A screen reader hears the colour under the cross-hair (the change is announced by Qt).
    Pal->setAccessibleDescription(palette::describe(palette::pixel(crossHair_.x(), crossHair_.y())));
}

QCursor PalettePicker::crossHairCursor(qreal devicePixelRatio) {
    const qreal ratio = qMax<qreal>(1.0, devicePixelRatio);
    QPixmap pm(qRound(32 * ratio), qRound(32 * ratio));
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(5, 5, 22, 22));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(255, 255, 0), 1));
    p.drawLine(16, 1, 16, 31);
    p.drawLine(1, 16, 31, 16);
    p.setPen(Qt::black);
    p.drawRect(15, 15, 2, 2);
    p.end();
    return scaled_cursor::make(pm, QPoint(16, 16));
}
