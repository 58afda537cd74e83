#include "AboutDriver.h"

#include "app/About_Frm.h"

#include <QLabel>

QLabel* AboutDriver::link() const {
    return w_->Link_Lbl;
}

QWidget* AboutDriver::picture() const {
    return w_->Image2;
}

QWidget* AboutDriver::lowerRule() const {
    return w_->Shape2;
}

QList<QLabel*> AboutDriver::texts() const {
    return {w_->Label1, w_->Label2, w_->Label3, w_->Label4, w_->Label5, w_->Link_Lbl};
}
