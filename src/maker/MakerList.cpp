// The maker's browser and picture list: volumes, folders and files, adding, removing and moving
// entries, and the preview of the file or entry the user is on.
#include "maker/Maker_Frm.h"

#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/VolumeList.h"
#include "forms/Forms.h"
#include "maker/DroppedPictures.h"
#include "maker/ListMoves.h"
#include "maker/MakerShow.h"
#include "maker/PictureListModel.h"
#include "maker/PreviewLoader.h"
#include "platform/General.h"
#include "platform/NativeName.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QListView>

#include <cmath>

namespace {

constexpr auto MakerTitle = "Lumora Maker";
// The design width of the count, in twips.
constexpr int CountWidth = 375;
const QString Twice = QStringLiteral("\r\n\r\n");

} // namespace

desktop::Answer Maker_Frm::ask(const QString& text, desktop::Buttons buttons) {
    return forms_.desktop().message(this,
                                    {text, QLatin1String(MakerTitle), desktop::Icon::Question, buttons});
}

// The one place that writes the count; it runs on every change of the list's length.
void Maker_Frm::Update_Count() {
    Label2->setText(QString::number(List1Items->count()));
    // A count longer than the design's box takes the free room to the right of it rather than being cut.
    const int needed =
        int(std::ceil(QFontMetricsF(Label2->font(), Label2).horizontalAdvance(Label2->text())));
    Label2->resize(std::max(twips::rect(0, 0, CountWidth, 0).width(), needed + 2), Label2->height());
}

void Maker_Frm::Drive1_Change(const desktop::Volume& volume) {
    // The folder list keeps its folder and the volume list its choice when the volume cannot be used.
    if (!volume.ready || !Dir1->setPath(Drive1->lastFolderOn(volume.rootPath)))
        forms_.desktop().message(this,
                                 {QStringLiteral("Invaild drive ") + Drive1->text() + u'.',
                                  QStringLiteral("ERROR"), desktop::Icon::Critical, desktop::Buttons::Ok});
}

void Maker_Frm::Dir1_Change() {
    File1->setPath(Dir1->path());
    Drive1->followFolder(Dir1->path());
}

void Maker_Frm::addPictures(const QStringList& paths) {
    QStringList added;
    QStringList refused;
    added.reserve(paths.size());
    for (const QString& path : paths)
        (show_file::storable(path) ? added : refused) << path;
    insertPictures(List1Items->count(), added, refused);
}

void Maker_Frm::insertPictures(int row, const QStringList& pictures, const QStringList& refused,
                               const QStringList& others) {
    List1Items->insertPaths(row, pictures);
    const auto listed = [](const QString& why, const QStringList& paths) {
        return paths.isEmpty()
                   ? QStringList()
                   : QStringList{why + Twice + native_name::forDisplay(paths.join(QStringLiteral("\r\n")))};
    };
    const QStringList told =
        listed(QStringLiteral("A Lumora file cannot hold a name with a double quote (\") in it, so these "
                              "pictures were not added:"),
               refused) +
        listed(QStringLiteral("These files are not pictures, so they were not added:"), others);
    if (!told.isEmpty())
        forms_.desktop().message(this, {told.join(Twice), QLatin1String(MakerTitle),
                                        desktop::Icon::Exclamation, desktop::Buttons::Ok});
}

void Maker_Frm::List1_OLEDragDrop(const QStringList& dropped, int row) {
    const dropped_pictures::Taken taken =
        dropped_pictures::take(dropped, folder_listing::Pattern(File1->pattern()));
    insertPictures(row, taken.pictures, taken.refused, taken.others);
}

void Maker_Frm::Add_Btn_Click() {
    // In the file list's order, not in the order the files were selected.
    const QStringList names = File1->names();
    QStringList paths;
    for (int row = 0; row < File1->count(); ++row) {
        if (!File1->item(row)->isSelected())
            continue;
        Text1->setText(general::Full_Path(Dir1->path(), names.value(row)));
        paths << Text1->text();
    }
    if (!paths.isEmpty())
        addPictures(paths);
}

void Maker_Frm::File1_DblClick() {
    // Without a current file there would be nothing but the folder to add.
    const QString name = File1->name(File1->currentRow());
    if (name.isEmpty())
        return;
    Text1->setText(general::Full_Path(Dir1->path(), name));
    addPictures({Text1->text()});
}

void Maker_Frm::File1_Click() {
    if (!Check1->isChecked())
        return;
    const QString name = File1->name(File1->currentRow());
    Text1->setText(general::Full_Path(Dir1->path(), name));
    if (!name.isEmpty())
        showPreview(Text1->text());
}

void Maker_Frm::File1_GotFocus() {
    // Through the list's click handling this also clears the preview.
    List1->clearSelection();
    List1->setCurrentIndex(QModelIndex());
}

void Maker_Frm::List1_Click() {
    if (!Check1->isChecked())
        return;
    const int row = selectedRow(*List1);
    Text1->setText(row >= 0 ? List1Items->entry(row).path : QString());
    showPreview(Text1->text());
}

void Maker_Frm::List1_GotFocus() {
    File1->clearSelection();
    File1->setCurrentRow(-1);
}

void Maker_Frm::List1_DblClick() {
    removeSelectedEntry();
}

bool Maker_Frm::List1_KeyDown(int key, Qt::KeyboardModifiers shift) {
    if (key != Qt::Key_Delete || (shift & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    removeSelectedEntry();
    return true;
}

void Maker_Frm::removeSelectedEntry() {
    const int row = selectedRow(*List1);
    if (row < 0)
        return;
    const QString question = QStringLiteral("Do you really want to remove the file..") + Twice +
                             native_name::forDisplay(List1Items->entry(row).path) + Twice +
                             QStringLiteral("from the loaded images list?");
    if (ask(question, desktop::Buttons::YesNoCancel) != desktop::Answer::Yes)
        return;
    // The list is left with no entry chosen (and so nothing previewed): the view would otherwise
    // choose the next entry in place of the removed one.
    List1->selectionModel()->clear();
    List1Items->removeRows(row, 1);
}

void Maker_Frm::cmdUp_Click() {
    if (selectedRow(*List1) < 0 || List1Items->count() == 0)
        return;
    // The selection travels with the entry, so no selection change previews it: that is done here.
    if (MoveItemUp(*List1))
        List1_Click();
    else
        forms_.desktop().beep();
}

void Maker_Frm::cmdDown_Click() {
    if (selectedRow(*List1) < 0 || List1Items->count() == 0)
        return;
    if (MoveItemDown(*List1))
        List1_Click();
    else
        forms_.desktop().beep();
}

void Maker_Frm::Check1_Click() {
    const bool on = Check1->isChecked();
    Image1->setVisible(on);
    Image2->setVisible(!on);
    if (on) {
        File1_Click();
    } else {
        preview_->cancel();
        previewPath_.clear();
    }
}

void Maker_Frm::showPreview(const QString& path) {
    previewPath_ = path;
    if (path.isEmpty()) {
        preview_->cancel();
        Image1->clear();
        return;
    }
    preview_->request(path, Image1->contentsRect().size() * Image1->devicePixelRatioF());
}

void Maker_Frm::previewReady(const QString& path, const QImage& image) {
    if (path != previewPath_ || !Check1->isChecked())
        return;
    // A picture that cannot be read leaves the frame empty, never the picture before it.
    if (image.isNull()) {
        Image1->clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(Image1->devicePixelRatioF());
    Image1->setPixmap(pixmap);
}

bool Maker_Frm::previewPending() const {
    return preview_->busy();
}
