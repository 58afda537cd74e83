// The maker's toolbar and show options: the three toggles, Clear, Load, Save and Preview, the display
// mode, the delay and the music.
#include "maker/Maker_Frm.h"

#include "dialogs/OpenSaveDialog.h"
#include "forms/Forms.h"
#include "maker/MakerShow.h"
#include "maker/PictureListModel.h"
#include "platform/ProgramFolder.h"
#include "show/Colour.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

void Maker_Frm::Toolbar1_ButtonClick(const QString& key) {
    // The toolbar has already toggled its check buttons; the hidden boxes that are saved follow them.
    if (key == QLatin1String("Loop"))
        mirrorButton(key, Loop_Chk);
    else if (key == QLatin1String("Shuffle"))
        mirrorButton(key, Shuff_Chk);
    else if (key == QLatin1String("Message"))
        mirrorButton(key, Message_Chk);
    else if (key == QLatin1String("Clear"))
        Clear_Click();
    else if (key == QLatin1String("Load"))
        Load_File();
    else if (key == QLatin1String("Save"))
        Save_File(false);
    else if (key == QLatin1String("Preview"))
        playPreview();
}

void Maker_Frm::mirrorButton(const QString& key, QCheckBox* box) {
    if (const QAction* button = toolbarButton(key))
        box->setChecked(button->isChecked());
}

void Maker_Frm::Press_Button(const QString& key) {
    if (QAction* button = toolbarButton(key))
        button->setChecked(true);
}

void Maker_Frm::Release_Button(const QString& key) {
    if (QAction* button = toolbarButton(key))
        button->setChecked(false);
}

void Maker_Frm::Clear_Click() {
    if (ask(QStringLiteral("Do you really want to remove all the files from the loaded images list?"),
            desktop::Buttons::YesNoCancel) != desktop::Answer::Yes)
        return;
    List1Items->clear();
    Update_Count();
    changed_ = false;
}

void Maker_Frm::playPreview() {
    // A preview whose file could not be written would play a stale or missing temp.lmr.
    if (!Save_File(true))
        return;
    // The maker stays open beneath the player, which brings the user back here and removes the file.
    forms_.playShow(program_folder::tempLmrPath());
}

void Maker_Frm::Strech_Opt_Click() {
    Ratio_Chk->setEnabled(Strech_Opt->isChecked());
}

void Maker_Frm::Maintain_Opt_Click() {
    Ratio_Chk->setEnabled(Strech_Opt->isChecked());
}

void Maker_Frm::Delay_Scroll_Change() {
    Update_Delay();
}

void Maker_Frm::Update_Delay() {
    const int value = Delay_Scroll->value();
    Delay_Lbl->setText(value == 0   ? QStringLiteral("Forever")
                       : value == 1 ? QStringLiteral("1 Second")
                                    : QString::number(value) + QStringLiteral(" Seconds"));
}

void Maker_Frm::Music_Chk_Click() {
    const bool on = Music_Chk->isChecked();
    Music_Txt->setEnabled(on);
    Music_Btn->setEnabled(on);
    // The field shows the window colour while it counts, the button face while it does not.
    const qint32 back = on ? qint32(0x80000005) : colour::ButtonFace;
    QPalette palette = Music_Txt->palette();
    if (const auto c = colour::toQColor(back))
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, *c);
    Music_Txt->setPalette(palette);
}

void Maker_Frm::Music_Btn_Click() {
    Dialog1->setFileName(QString());
    Dialog1->setDialogTitle(QStringLiteral("Load Music File"));
    Dialog1->setFilter(
        QStringLiteral("All Supported Files (*.mp3,*.wav,*.mid)|*.mp3;*.wav;*.mid|All Files (*.*)|*.*"));
    Dialog1->ShowOpen();
    const QString chosen = Dialog1->FileName();
    if (chosen.isEmpty())
        return; // cancelled: the music stays as it was
    if (!show_file::storable(chosen)) {
        forms_.desktop().message(
            this,
            {QStringLiteral("A Lumora file cannot hold a name with a double quote (\") in it:\r\n\r\n") +
                 chosen + QStringLiteral("\r\n\r\nThe music stays as it was."),
             QStringLiteral("Lumora Maker"), desktop::Icon::Exclamation, desktop::Buttons::Ok});
        return;
    }
    Music_Txt->setText(chosen);
}
