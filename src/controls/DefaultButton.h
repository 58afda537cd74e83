#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

// The default button of a plain window: Enter presses it. A dialog's default button exists only in a
// QDialog, so Return and Enter are shortcuts of the window here. A drop-down or menu that is open
// keeps the Enter that chooses in it: otherwise choosing a volume with the keyboard would also press
// the button and start a show.
class DefaultButton final : public QObject {
public:
    DefaultButton(QWidget& window, QAbstractButton& button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
