#include "SearchDriver.h"

#include "controls/HiddenTextField.h"
#include "folder/Search_Frm.h"

#include <QLabel>
#include <QProgressBar>

QString SearchDriver::startFolder() const {
    return w_->Dir_Txt->text();
}

QLabel* SearchDriver::folderLabel() const {
    return w_->Label1;
}

QProgressBar* SearchDriver::depthBar() const {
    return w_->Search_Bar;
}

FormTimer* SearchDriver::startClock() const {
    return w_->Trigger_Timer;
}
