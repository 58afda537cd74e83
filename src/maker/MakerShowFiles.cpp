// Saving the maker's list and options as a show file, and loading one back into them.
#include "maker/Maker_Frm.h"

#include "dialogs/OpenSaveDialog.h"
#include "forms/Forms.h"
#include "maker/MakerShow.h"
#include "maker/PictureListModel.h"
#include "platform/ProgramFolder.h"
#include "show/ShowFile.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

constexpr auto MakerTitle = "Lumora Maker";
const QString Twice = QStringLiteral("\r\n\r\n");

} // namespace

ShowSettings Maker_Frm::options() const {
    return options_.settings(Music_Txt->text());
}

void Maker_Frm::setOptions(const ShowSettings& s) {
    // Each control's change handling runs: the ratio box follows the display mode, the label the delay.
    options_.setSettings(s);
    for (QCheckBox* box : {Shuff_Chk, Loop_Chk, Message_Chk})
        box->isChecked() ? Press_Button(box->text()) : Release_Button(box->text());
    Music_Txt->setText(s.musicPath);
}

bool Maker_Frm::Save_File(bool preview) {
    desktop::Desktop& desktop = forms_.desktop();
    if (List1Items->count() == 0) {
        desktop.message(this, {QStringLiteral("NO FILES!!!"), QStringLiteral("ERROR"),
                               desktop::Icon::Exclamation, desktop::Buttons::Ok});
        return false;
    }
    QString path;
    if (preview) {
        path = program_folder::tempLmrPath();
    } else {
        Dialog1->setFileName(QString());
        Dialog1->setDialogTitle(QStringLiteral("Save Lumora File"));
        Dialog1->setPurpose(QLatin1String(OpenSaveDialog::SaveShow));
        Dialog1->setFilter(QStringLiteral("Lumora Files (*.lmr)|*.lmr"));
        Dialog1->setAppendedExtension(QLatin1String(maker_show::Extension));
        // The dialog asks before a name that is already taken, ".lmr" added or not, is replaced.
        Dialog1->setFlags(Dialog1->Flags() | OpenSaveDialog::OverwritePrompt);
        Dialog1->ShowSave();
        if (Dialog1->FileName().isEmpty())
            return false; // cancelled
        path = maker_show::savePath(Dialog1->FileName());
    }
    // Written beside the target and renamed over it: a failed save leaves the old file as it was.
    if (!show_file::write(path, options(), List1Items->paths(), nullptr,
                          preview ? show_file::Replace::TempShow : show_file::Replace::UserFile)) {
        desktop.message(this, {QStringLiteral("Error Saving!"), QLatin1String(MakerTitle),
                               desktop::Icon::Critical, desktop::Buttons::Ok});
        return false;
    }
    if (preview)
        return true;
    changed_ = false;
    const QString question = QStringLiteral("Successfully saved file...") + Twice + path + Twice +
                             QStringLiteral("Would you like to run this Lumora now?");
    if (ask(question, desktop::Buttons::YesNo) == desktop::Answer::Yes) {
        Forms& forms = forms_;
        forms.unload(FormId::Maker); // stores the settings and brings the menu back
        forms.hide(FormId::Menu);
        forms.playShow(path);
    }
    return true;
}

void Maker_Frm::Load_File() {
    if (List1Items->count() > 0) {
        switch (ask(QStringLiteral("Do you want to save the current Lumora first?"),
                    desktop::Buttons::YesNoCancel)) {
        case desktop::Answer::Yes:
            // The user starts the load again once the list is saved.
            Save_File(false);
            return;
        case desktop::Answer::No:
            break;
        default:
            return;
        }
    }
    Dialog1->setFileName(QString());
    Dialog1->setDialogTitle(QStringLiteral("Load Lumora File"));
    Dialog1->setPurpose(QLatin1String(OpenSaveDialog::OpenShow));
    Dialog1->setFilter(QStringLiteral("Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*"));
    Dialog1->ShowOpen();
    const QString path = Dialog1->FileName();
    if (path.isEmpty())
        return; // cancelled

    List1Items->clear();
    const maker_show::Loaded loaded = maker_show::take(show_file::read(path), options());
    setOptions(loaded.options);
    // Entries a show cannot hold (a double quote in the name, which only a hand-edited file has) are
    // left out as ADD leaves them out; kept, they would make every later save fail.
    QStringList pictures;
    QStringList refused;
    for (const QString& path : loaded.pictures)
        (show_file::storable(path) ? pictures : refused) << path;
    insertPictures(0, pictures, refused);
    changed_ = false;
    if (!loaded.ok)
        forms_.desktop().message(this, {QStringLiteral("Error Loading in File!"), QLatin1String(MakerTitle),
                                        desktop::Icon::Critical, desktop::Buttons::Ok});
}
