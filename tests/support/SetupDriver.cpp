#include "SetupDriver.h"

#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/MouseUpButton.h"
#include "controls/PalettePicker.h"
#include "controls/VolumeList.h"
#include "folder/Setup_Frm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

bool SetupDriver::chooseFolder(const QString& folder) {
    // Walking there entry by entry is the folder list's own test; here the walk's end is what counts.
    return w_->Dir1->setPath(folder);
}

QString SetupDriver::folder() const {
    return w_->Dir1->path();
}

bool SetupDriver::chooseVolume(const QString& root) {
    // The box's keys and its drop-down are tested on their own; this is the choice they make.
    return w_->Drive1->choose(root);
}

QString SetupDriver::volume() const {
    return w_->Drive1->text();
}

QString SetupDriver::count() const {
    return w_->Num_Files_Lbl->text();
}

QStringList SetupDriver::files() const {
    return w_->File1->names();
}

bool SetupDriver::fileListShown() const {
    return w_->File1->isVisible();
}

void SetupDriver::toggleSubfolders() {
    QTest::mouseClick(w_->Subs_Chk, Qt::LeftButton);
}

bool SetupDriver::subfolders() const {
    return w_->Subs_Chk->isChecked();
}

void SetupDriver::setStretch(bool stretch) {
    QTest::mouseClick(stretch ? w_->Strech_Opt : w_->Maintain_Opt, Qt::LeftButton);
}

bool SetupDriver::stretched() const {
    return w_->Strech_Opt->isChecked();
}

bool SetupDriver::maintained() const {
    return w_->Maintain_Opt->isChecked();
}

void SetupDriver::setKeepRatio(bool keep) {
    if (w_->Ratio_Chk->isChecked() != keep)
        QTest::mouseClick(w_->Ratio_Chk, Qt::LeftButton);
}

bool SetupDriver::keepRatio() const {
    return w_->Ratio_Chk->isChecked();
}

bool SetupDriver::keepRatioEnabled() const {
    return w_->Ratio_Chk->isEnabled();
}

void SetupDriver::setDelay(int seconds) {
    QScrollBar* bar = w_->Delay_Scroll;
    bar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar, Qt::Key_Home);
    for (int i = 0; i < seconds; ++i)
        QTest::keyClick(bar, Qt::Key_Right);
}

int SetupDriver::delay() const {
    return w_->Delay_Scroll->value();
}

QString SetupDriver::delayText() const {
    return w_->Delay_Lbl->text();
}

bool SetupDriver::looped() const {
    return w_->Loop_Chk->isChecked();
}

bool SetupDriver::shuffled() const {
    return w_->Shuff_Chk->isChecked();
}

bool SetupDriver::pauseMessage() const {
    return w_->Message_Chk->isChecked();
}

qint32 SetupDriver::colour() const {
    return w_->Picker->chosenColour();
}

QString SetupDriver::colourUnderPointer() const {
    return w_->Picker->txCol();
}

void SetupDriver::clickMusic() {
    QTest::mouseClick(w_->Music_Chk, Qt::LeftButton);
}

bool SetupDriver::music() const {
    return w_->Music_Chk->isChecked();
}

void SetupDriver::run() {
    QTest::mouseClick(w_->Run_btn, Qt::LeftButton);
}

QWidget* SetupDriver::runButton() const {
    return w_->Run_btn;
}

QWidget* SetupDriver::musicBox() const {
    return w_->Music_Chk;
}

QWidget* SetupDriver::subfoldersBox() const {
    return w_->Subs_Chk;
}

QWidget* SetupDriver::delayBar() const {
    return w_->Delay_Scroll;
}

QWidget* SetupDriver::maintainOption() const {
    return w_->Maintain_Opt;
}

QWidget* SetupDriver::stretchOption() const {
    return w_->Strech_Opt;
}

PictureBox* SetupDriver::palette() const {
    return w_->Picker->Pal;
}

FolderList* SetupDriver::folderList() const {
    return w_->Dir1;
}

VolumeList* SetupDriver::volumeList() const {
    return w_->Drive1;
}
