#include "PlayerDriver.h"

#include "controls/HiddenTextField.h"
#include "platform/FormTimer.h"
#include "player/Main_Frm.h"

#include <QLabel>

void PlayerDriver::advance() {
    emit w_->Timer1->Timer();
}

QString PlayerDriver::showPath() const {
    return w_->File_Path_Txt->text();
}

bool PlayerDriver::paused() const {
    return w_->Paused_lbl->isVisible();
}

ImageBox* PlayerDriver::pictureBox() const {
    return w_->Image1;
}

QLabel* PlayerDriver::pauseNote() const {
    return w_->Paused_lbl;
}

QLabel* PlayerDriver::keyNote() const {
    return w_->KeyDown_Lbl;
}

FormTimer* PlayerDriver::slideClock() const {
    return w_->Timer1;
}

FormTimer* PlayerDriver::keysClock() const {
    return w_->Hotkeys_Timer;
}

FormTimer* PlayerDriver::pointerClock() const {
    return w_->Hide_Mouse_Timer;
}

FormTimer* PlayerDriver::musicClock() const {
    return w_->Music_Timer;
}
