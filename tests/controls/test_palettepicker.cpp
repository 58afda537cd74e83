#include "controls/PaletteMaths.h"
#include "controls/PalettePicker.h"
#include "platform/ScaledCursor.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

// The picker as the setup window lays it out: palette 103 x 54, swatch 82 x 19, chosen 19 x 19.
struct Frame {
    explicit Frame(bool swatchChooses) : picker(&window, swatchChooses) {
        picker.Pal->setGeometry(21, 18, 103, 54);
        picker.lbColor->setGeometry(21, 72, 82, 19);
        picker.Save_Colour->setGeometry(105, 72, 19, 19);
        window.resize(200, 120);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window never showed");
    }
    QWidget window;
    PalettePicker picker;
};

// A palette pixel in the box's own coordinates (inside its 2-pixel frame).
QPoint onPalette(int x, int y) {
    return QPoint(x + PictureBox::FrameWidth, y + PictureBox::FrameWidth);
}

void moveOver(PictureBox* box, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), box->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(box, &move);
}

QRgb swatchAt(const PalettePicker& p, int x, int y) {
    return p.lbColor->canvas().pixel(x, y) & 0xFFFFFFu;
}

QString spoken(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
}

QRgb asRgb(qint32 colour) {
    const palette::Rgb c = palette::split(colour);
    return QRgb(c.red << 16 | c.green << 8 | c.blue);
}

} // namespace

class PalettePickerTest : public QObject {
    Q_OBJECT
private slots:
    void boxesHaveTheirInnerSizesNamesAndPointer();
    void movingOverRedShowsItAndAClickChoosesIt();
    void theGreyFrameIsAColourAndOutsideChangesNothing();
    void aModifierDrawsTheGradientAndItsScale();
    void theSwatchChoosesOnlyWhereAsked();
    void keysMoveACrossHairAndChooseAsTheMouseDoes();
    void thePointerIsDrawnAtTheScreensPixels();
};

void PalettePickerTest::boxesHaveTheirInnerSizesNamesAndPointer() {
    Frame f(true);
    QCOMPARE(f.picker.Pal->innerSize(), QSize(99, 50));
    QCOMPARE(f.picker.lbColor->innerSize(), QSize(78, 15));
    QCOMPARE(f.picker.Save_Colour->innerSize(), QSize(15, 15));
    QCOMPARE(f.picker.Pal->accessibleName(), "Palette");
    QCOMPARE(f.picker.lbColor->accessibleName(), "Colour under the pointer");
    QCOMPARE(f.picker.Save_Colour->accessibleName(), "Chosen colour");
    QCOMPARE(f.picker.txCol(), "0");
    QCOMPARE(f.picker.chosenColour(), 0);
    for (PictureBox* box : {f.picker.Pal, f.picker.lbColor, f.picker.Save_Colour}) {
        QCOMPARE(box->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(box->cursor().hotSpot(), QPoint(16, 16));
    }
    const QImage shown = f.picker.Pal->grab().toImage();
    QCOMPARE(shown.pixel(onPalette(2, 24)) & 0xFFFFFFu, 0xFF0000u);
}

void PalettePickerTest::movingOverRedShowsItAndAClickChoosesIt() {
    Frame f(true);
    QSignalSpy chosen(&f.picker, &PalettePicker::colourChosen);
    moveOver(f.picker.Pal, onPalette(2, 24));
    QCOMPARE(f.picker.txCol(), "255");
    QCOMPARE(f.picker.lbColor->backColour(), 255);
    QCOMPARE(swatchAt(f.picker, 40, 7), 0xFF0000u);
    QTest::mouseClick(f.picker.Pal, Qt::LeftButton, {}, onPalette(2, 24));
    QCOMPARE(f.picker.chosenColour(), 255);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(f.picker.Save_Colour->grab().toImage().pixel(9, 9) & 0xFFFFFFu, 0xFF0000u);
}

void PalettePickerTest::theGreyFrameIsAColourAndOutsideChangesNothing() {
    Frame f(true);
    moveOver(f.picker.Pal, onPalette(0, 20));
    QCOMPARE(f.picker.txCol(), QString::number(127 + 127 * 256 + 127 * 65536));
    // Over the frame of the box, outside the picture: the swatch keeps what it shows.
    moveOver(f.picker.Pal, QPoint(0, 0));
    moveOver(f.picker.Pal, onPalette(100, 20), Qt::ShiftModifier);
    QCOMPARE(f.picker.txCol(), QString::number(127 + 127 * 256 + 127 * 65536));
    QCOMPARE(swatchAt(f.picker, 10, 3), 0x7F7F7Fu);
}

void PalettePickerTest::aModifierDrawsTheGradientAndItsScale() {
    Frame f(true);
    moveOver(f.picker.Pal, onPalette(2, 24), Qt::ShiftModifier);
    // The number is the colour's own, so a click chooses it and not a shade of the band.
    QCOMPARE(f.picker.txCol(), "255");
    QCOMPARE(swatchAt(f.picker, 0, 0), 0x000000u);
    QCOMPARE(swatchAt(f.picker, 77, 0), QRgb(qRgb(77, 0, 0) & 0xFFFFFFu));
    // The inverted line at two thirds of 15.
    QCOMPARE(swatchAt(f.picker, 40, 10), QRgb(0xFFFFFFu ^ (qRgb(40, 0, 0) & 0xFFFFFFu)));
    // Ticks every 8 pixels, drawn one to the left: column 7 is inverted above the line, column 8 not.
    QCOMPARE(swatchAt(f.picker, 7, 6), QRgb(0xFFFFFFu ^ (qRgb(7, 0, 0) & 0xFFFFFFu)));
    QCOMPARE(swatchAt(f.picker, 12, 6), QRgb(qRgb(12, 0, 0) & 0xFFFFFFu));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    QTest::mouseClick(f.picker.Pal, Qt::LeftButton, Qt::ShiftModifier, onPalette(2, 24));
    QCOMPARE(f.picker.chosenColour(), 255);

    // Ctrl and Alt draw the band too; without a modifier the plain colour comes back.
    moveOver(f.picker.Pal, onPalette(2, 24), Qt::ControlModifier);
    QCOMPARE(swatchAt(f.picker, 0, 0), 0x000000u);
    moveOver(f.picker.Pal, onPalette(2, 24));
    for (int x : {0, 7, 40, 77})
        QCOMPARE(swatchAt(f.picker, x, 10), 0xFF0000u);
}

void PalettePickerTest::theSwatchChoosesOnlyWhereAsked() {
    for (bool chooses : {true, false}) {
        Frame f(chooses);
        moveOver(f.picker.Pal, onPalette(60, 24));
        const qint32 under = f.picker.lbColor->backColour();
        QVERIFY(under > 0);
        QTest::mouseClick(f.picker.lbColor, Qt::LeftButton, {}, QPoint(10, 8));
        QCOMPARE(f.picker.chosenColour(), chooses ? under : 0);
    }
}

void PalettePickerTest::keysMoveACrossHairAndChooseAsTheMouseDoes() {
    Frame f(true);
    PictureBox* pal = f.picker.Pal;
    QCOMPARE(pal->focusPolicy(), Qt::TabFocus); // a click leaves the focus (and Enter) where it was
    QSignalSpy chosen(&f.picker, &PalettePicker::colourChosen);

    // The cross-hair comes with the focus, on the chosen colour, and goes with it.
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    pal->clearFocus();
    f.picker.setChosenColour(255);
    pal->setFocus(Qt::TabFocusReason);
    QVERIFY(pal->hasFocus());
    QCOMPARE(pal->crossHair(), std::optional<QPoint>(QPoint(2, 24)));
    QCOMPARE(spoken(pal), "red 255, green 0, blue 0");
    QCOMPARE(pal->grab().toImage().pixel(onPalette(2, 24) + QPoint(4, 0)) & 0xFFFFFFu, 0u);

    // One pixel a key, eight with Shift (which also draws the band, as it does for the pointer),
    // never off the palette.
    const std::pair<QKeyCombination, QPoint> steps[] = {{Qt::Key_Right, {3, 24}},
                                                        {Qt::ShiftModifier | Qt::Key_Right, {11, 24}},
                                                        {Qt::Key_Up, {11, 23}},
                                                        {Qt::ShiftModifier | Qt::Key_Down, {11, 31}},
                                                        {Qt::ShiftModifier | Qt::Key_Left, {3, 31}},
                                                        {Qt::ShiftModifier | Qt::Key_Left, {0, 31}},
                                                        {Qt::Key_Left, {0, 31}},
                                                        {Qt::ShiftModifier | Qt::Key_Down, {0, 39}},
                                                        {Qt::Key_Right, {1, 39}}};
    for (const auto& [key, at] : steps) {
        QTest::keyClick(pal, key.key(), key.keyboardModifiers());
        QCOMPARE(pal->crossHair(), std::optional<QPoint>(at));
        const qint32 under = palette::pixel(at.x(), at.y());
        QCOMPARE(f.picker.txCol(), QString::number(under));
        const bool band = key.keyboardModifiers() == Qt::ShiftModifier;
        QCOMPARE(swatchAt(f.picker, 0, 0), band ? 0u : asRgb(under));
        const palette::Rgb c = palette::split(under);
        QCOMPARE(spoken(pal), QString("red %1, green %2, blue %3").arg(c.red).arg(c.green).arg(c.blue));
    }
    QCOMPARE(chosen.size(), 0);

    // Enter and Space choose what is under the cross-hair; with Shift the colour itself, not a shade
    // of the band.
    QTest::keyClick(pal, Qt::Key_Return);
    QCOMPARE(f.picker.chosenColour(), palette::pixel(1, 39));
    QTest::keyClick(pal, Qt::Key_Up);
    QTest::keyClick(pal, Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(f.picker.chosenColour(), palette::pixel(1, 38));
    QCOMPARE(swatchAt(f.picker, 0, 0), 0u);
    QCOMPARE(chosen.size(), 2);

    // The pointer's last place is where the keys go on from.
    moveOver(pal, onPalette(50, 20));
    QTest::keyClick(pal, Qt::Key_Down);
    QCOMPARE(pal->crossHair(), std::optional<QPoint>(QPoint(50, 21)));
    pal->clearFocus();
    QVERIFY(!pal->crossHair());
}

void PalettePickerTest::thePointerIsDrawnAtTheScreensPixels() {
    for (const qreal ratio : {1.0, 2.0}) {
        const QCursor cursor = PalettePicker::crossHairCursor(ratio);
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.pixmap().devicePixelRatio(), ratio);
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32) * ratio);
        // 32 x 32 logical pixels whatever the ratio, its hot spot at the centre mark.
        QCOMPARE(cursor.pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(cursor.hotSpot(), QPoint(16, 16));
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.pixelColor(int(15 * ratio), int(15 * ratio)), QColor(Qt::black));
        QCOMPARE(image.pixelColor(int(16 * ratio), int(2 * ratio)), QColor(255, 255, 0));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }
    // X11 takes a pixmap's hot spot in its device pixels; Wayland scales it with the buffer.
    QCOMPARE(scaled_cursor::hotSpotFor("xcb", QPoint(16, 16), 2), QPoint(32, 32));
    QCOMPARE(scaled_cursor::hotSpotFor("xcb", QPoint(16, 16), 1), QPoint(16, 16));
    QCOMPARE(scaled_cursor::hotSpotFor("wayland", QPoint(16, 16), 2), QPoint(16, 16));
    // The boxes' pointer follows the screen the palette is shown on.
    Frame f(true);
    for (PictureBox* box : {f.picker.Pal, f.picker.lbColor, f.picker.Save_Colour})
        QCOMPARE(box->cursor().pixmap().devicePixelRatio(), f.picker.Pal->devicePixelRatioF());
}

QTEST_MAIN(PalettePickerTest)
#include "test_palettepicker.moc"
