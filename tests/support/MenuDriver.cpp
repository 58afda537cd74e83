#include "MenuDriver.h"

#include "app/MENU_Frm.h"
#include "controls/PictureButton.h"

#include <QTest>

void MenuDriver::openFolder() {
    QTest::mouseClick(w_->Open_Folder_Btn, Qt::LeftButton);
}

void MenuDriver::makeShow() {
    QTest::mouseClick(w_->Make_File_Btn, Qt::LeftButton);
}

void MenuDriver::openShow() {
    QTest::mouseClick(w_->Open_File_Btn, Qt::LeftButton);
}

void MenuDriver::about() {
    QTest::mouseClick(w_->About_Btn, Qt::LeftButton);
}

PictureButton* MenuDriver::folderButton() const {
    return w_->Open_Folder_Btn;
}

PictureButton* MenuDriver::makerButton() const {
    return w_->Make_File_Btn;
}

PictureButton* MenuDriver::openButton() const {
    return w_->Open_File_Btn;
}

PictureButton* MenuDriver::aboutButton() const {
    return w_->About_Btn;
}
