#include "MakerDriver.h"

#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/PalettePicker.h"
#include "controls/VolumeList.h"
#include "maker/ListMoves.h"
#include "maker/Maker_Frm.h"
#include "maker/PictureListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

namespace {

QPoint rowCentre(const FileList& list, int row) {
    return list.visualItemRect(list.item(row)).center();
}

} // namespace

bool MakerDriver::browse(const QString& folder) {
    // Walking there entry by entry is the folder list's own test; here the walk's end is what counts.
    return w_->Dir1->setPath(folder);
}

QString MakerDriver::folder() const {
    return w_->Dir1->path();
}

QStringList MakerDriver::files() const {
    return w_->File1->names();
}

void MakerDriver::selectFiles(const QStringList& names) {
    FileList& list = *w_->File1;
    for (int row = 0; row < list.count(); ++row) {
        QListWidgetItem* item = list.item(row);
        if (item->isSelected() != names.contains(item->text()))
            QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(list, row));
    }
}

void MakerDriver::clickFile(int row) {
    QTest::mouseClick(w_->File1->viewport(), Qt::LeftButton, {}, rowCentre(*w_->File1, row));
}

void MakerDriver::doubleClickFile(int row) {
    clickFile(row);
    QTest::mouseDClick(w_->File1->viewport(), Qt::LeftButton, {}, rowCentre(*w_->File1, row));
}

int MakerDriver::currentFile() const {
    return w_->File1->currentRow();
}

void MakerDriver::add() {
    QTest::mouseClick(w_->Add_Btn, Qt::LeftButton);
}

void MakerDriver::add(const QStringList& names) {
    selectFiles(names);
    add();
}

bool MakerDriver::chooseVolume(const QString& root) {
    // The box's keys and its drop-down are the volume list's own test; this is the choice they make.
    return w_->Drive1->choose(root);
}

QString MakerDriver::volume() const {
    return w_->Drive1->text();
}

void MakerDriver::refreshVolumes() {
    w_->Drive1->refresh();
}

void MakerDriver::given(const QStringList& paths) {
    w_->List1Items->appendPaths(paths);
}

QStringList MakerDriver::entries() const {
    return w_->List1Items->paths();
}

int MakerDriver::entryCount() const {
    return w_->List1Items->count();
}

QString MakerDriver::count() const {
    return w_->Label2->text();
}

QRect MakerDriver::entryRect(int row) const {
    return w_->List1->visualRect(w_->List1Items->index(row));
}

QPoint MakerDriver::entryCentre(int row) const {
    return entryRect(row).center();
}

void MakerDriver::selectEntry(int row) {
    w_->List1->scrollTo(w_->List1Items->index(row));
    QTest::mouseClick(w_->List1->viewport(), Qt::LeftButton, {}, entryCentre(row));
}

int MakerDriver::selectedEntry() const {
    return selectedRow(*w_->List1);
}

void MakerDriver::doubleClickEntry(int row) {
    doubleClickListAt(entryCentre(row));
}

void MakerDriver::doubleClickListAt(QPoint at) {
    QTest::mouseDClick(w_->List1->viewport(), Qt::LeftButton, {}, at);
}

void MakerDriver::pressDelete() {
    QTest::keyClick(w_->List1, Qt::Key_Delete);
}

void MakerDriver::dragTo(int from, int to) {
    QWidget* viewport = w_->List1->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, entryCentre(from));
    const int step = to < from ? -1 : 1;
    for (int row = from + step; row != to + step; row += step)
        QTest::mouseMove(viewport, entryCentre(row));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, entryCentre(to));
}

void MakerDriver::up() {
    QTest::mouseClick(w_->cmdUp, Qt::LeftButton);
}

void MakerDriver::down() {
    QTest::mouseClick(w_->cmdDown, Qt::LeftButton);
}

QString MakerDriver::previewed() const {
    return w_->Text1->text();
}

void MakerDriver::forgetPreviewed() {
    w_->Text1->setText(QString());
}

QColor MakerDriver::previewColour() const {
    const QPixmap p = w_->Image1->pixmap();
    if (p.isNull())
        return {};
    const QImage image = p.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool MakerDriver::thumbnailShown() const {
    return w_->Image1->isVisible();
}

bool MakerDriver::emptyFrameShown() const {
    return w_->Image2->isVisible();
}

void MakerDriver::setThumbnails(bool on) {
    if (w_->Check1->isChecked() != on)
        QTest::mouseClick(w_->Check1, Qt::LeftButton);
}

bool MakerDriver::thumbnails() const {
    return w_->Check1->isChecked();
}

void MakerDriver::toolbar(const char* key) {
    QWidget* button = w_->Toolbar1->widgetForAction(w_->toolbarButton(QLatin1String(key)));
    if (!button)
        qFatal("no toolbar button %s", key);
    QTest::mouseClick(button, Qt::LeftButton);
}

void MakerDriver::setStretch(bool stretch) {
    QTest::mouseClick(stretch ? w_->Strech_Opt : w_->Maintain_Opt, Qt::LeftButton);
}

bool MakerDriver::stretched() const {
    return w_->Strech_Opt->isChecked();
}

bool MakerDriver::maintained() const {
    return w_->Maintain_Opt->isChecked();
}

void MakerDriver::setKeepRatio(bool keep) {
    if (w_->Ratio_Chk->isChecked() != keep)
        QTest::mouseClick(w_->Ratio_Chk, Qt::LeftButton);
}

bool MakerDriver::keepRatio() const {
    return w_->Ratio_Chk->isChecked();
}

bool MakerDriver::keepRatioEnabled() const {
    return w_->Ratio_Chk->isEnabled();
}

void MakerDriver::givenKeepRatio(bool keep) {
    w_->Ratio_Chk->setChecked(keep);
}

void MakerDriver::setDelay(int seconds) {
    QScrollBar* bar = w_->Delay_Scroll;
    bar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar, Qt::Key_Home);
    for (int i = 0; i < seconds; ++i)
        QTest::keyClick(bar, Qt::Key_Right);
}

int MakerDriver::delay() const {
    return w_->Delay_Scroll->value();
}

QString MakerDriver::delayText() const {
    return w_->Delay_Lbl->text();
}

bool MakerDriver::looped() const {
    return w_->Loop_Chk->isChecked();
}

bool MakerDriver::shuffled() const {
    return w_->Shuff_Chk->isChecked();
}

bool MakerDriver::pauseMessage() const {
    return w_->Message_Chk->isChecked();
}

void MakerDriver::setMusic(bool on) {
    if (w_->Music_Chk->isChecked() != on)
        QTest::mouseClick(w_->Music_Chk, Qt::LeftButton);
}

bool MakerDriver::music() const {
    return w_->Music_Chk->isChecked();
}

void MakerDriver::chooseMusic() {
    QTest::mouseClick(w_->Music_Btn, Qt::LeftButton);
}

QString MakerDriver::musicFile() const {
    return w_->Music_Txt->text();
}

bool MakerDriver::musicEnabled() const {
    return w_->Music_Txt->isEnabled() && w_->Music_Btn->isEnabled();
}

void MakerDriver::pointAtPalette(QPoint at, bool click) {
    QWidget* pal = w_->Palette->Pal;
    const QPoint inFrame = at + QPoint(PictureBox::FrameWidth, PictureBox::FrameWidth);
    QTest::mouseMove(pal, inFrame);
    if (click)
        QTest::mouseClick(pal, Qt::LeftButton, {}, inFrame);
}

void MakerDriver::clickSwatch() {
    QTest::mouseClick(w_->Palette->lbColor, Qt::LeftButton);
}

QString MakerDriver::colourUnderPointer() const {
    return w_->Palette->txCol();
}

qint32 MakerDriver::colour() const {
    return w_->Palette->chosenColour();
}

void MakerDriver::givenColour(qint32 colour) {
    w_->Palette->setChosenColour(colour);
}

QWidget* MakerDriver::addButton() const {
    return w_->Add_Btn;
}

QWidget* MakerDriver::countLabel() const {
    return w_->Label2;
}

QWidget* MakerDriver::delayLabel() const {
    return w_->Delay_Lbl;
}

QWidget* MakerDriver::delayBar() const {
    return w_->Delay_Scroll;
}

QWidget* MakerDriver::palette() const {
    return w_->Palette->Pal;
}

QWidget* MakerDriver::musicButton() const {
    return w_->Music_Btn;
}

QLineEdit* MakerDriver::musicField() const {
    return w_->Music_Txt;
}

QWidget* MakerDriver::thumbnailBox() const {
    return w_->Check1;
}

QWidget* MakerDriver::upButton() const {
    return w_->cmdUp;
}

QWidget* MakerDriver::downButton() const {
    return w_->cmdDown;
}

VolumeList* MakerDriver::volumeList() const {
    return w_->Drive1;
}

FolderList* MakerDriver::folderList() const {
    return w_->Dir1;
}

FileList* MakerDriver::fileList() const {
    return w_->File1;
}

QListView* MakerDriver::pictureList() const {
    return w_->List1;
}

QToolBar* MakerDriver::toolbar() const {
    return w_->Toolbar1;
}

PictureListModel& MakerDriver::model() const {
    return *w_->List1Items;
}
