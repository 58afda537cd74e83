#pragma once

#include "controls/PictureBox.h"

#include <QObject>
#include <QString>

#include <optional>

// The background colour picker that the folder setup window and the maker share: the palette
// (`Pal`), the swatch that shows the colour under the pointer (`lbColor`) and the chosen colour
// (`Save_Colour`). Moving over the palette shows the colour in the swatch, or, with Shift, Ctrl or
// Alt held, a gradient from black to it with a scale; a click on the palette chooses the colour
// under the pointer. The holding window places the three boxes in its own frame.
//
// From the keyboard: the palette takes the focus with Tab; a cross-hair then stands on it, the arrow
// keys move it (with Shift in bigger steps) and the swatch follows as for the pointer, with the
// modifiers as for the pointer; Space or Enter chooses the colour under it as a click does. The
// palette's accessible description says the colour under the cross-hair.
class PalettePicker : public QObject {
    Q_OBJECT
public:
    // `swatchChooses`: a click on the swatch chooses its colour too (the setup window's picker).
    PalettePicker(QWidget* parent, bool swatchChooses);

    PictureBox* Pal;
    PictureBox* lbColor;
    PictureBox* Save_Colour;

    // The colour under the pointer as a decimal number, "0" at the start.
    QString txCol() const { return txCol_; }
    qint32 chosenColour() const { return Save_Colour->backColour(); }
    void setChosenColour(qint32 colour);

    // Shows one colour in the swatch; a negative one changes nothing.
    void ShowColors(qint32 colour);
    // Draws the gradient from `first` (nothing: black) to `second`, with its scale; a negative colour
    // changes nothing.
    void ShowGradient(std::optional<qint32> first, qint32 second);

    // `shift` holds the modifier keys as 1 Shift, 2 Ctrl, 4 Alt added together.
    void Pal_MouseMove(Qt::MouseButtons buttons, int shift, int x, int y);
    void Pal_Click();
    void lbColor_Click();
    // The keyboard's cross-hair, in palette pixels.
    QPoint crossHair() const { return crossHair_; }

    // The pointer over the three boxes: a black circle with a yellow cross and a mark at its centre,
    // 32 x 32 at scale 1, drawn at the screen's device pixel ratio (64 x 64 pixels at scale 2).
    static QCursor crossHairCursor(qreal devicePixelRatio = 1.0);

signals:
    void colourChosen(qint32 colour);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The three boxes' pointer for the screen the palette is on, made again when that changes.
    void setCursorForScreen();
    bool paletteKey(QKeyEvent& key);
    // The cross-hair to `at`: the swatch shows what is under it, as under the pointer.
    void moveCrossHair(QPoint at, Qt::KeyboardModifiers modifiers);

    qreal cursorRatio_ = 0;
    bool swatchChooses_;
    QString txCol_ = QStringLiteral("0");
    QPoint crossHair_;
    std::optional<qint32> crossHairFor_; // the chosen colour when the cross-hair was placed
};
