// The maker's toolbar and show options: the three toggles, Clear, Load, Save and Preview, the display
// mode, the delay and the music.
#include "maker/Maker_Frm.h"

#include "dialogs/OpenSaveDialog.h"
#include "forms/Forms.h"
#include "maker/PictureListModel.h"
#include "platform/ProgramFolder.h"
#include "show/Colour.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

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
    changed_ = false;
}

void Maker_Frm::playPreview() {
    // A preview whose file could not be written would play a stale or missing temp.lmr.
    if (!Save_File(true))
        return;
    // The maker stays open beneath the player, which brings the user back here and removes the file.
    forms_.playShow(program_folder::tempLmrPath());
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
    const auto refusal = [](const QString& path) {
        return desktop::MessageBox{
            QStringLiteral("A Lumora file cannot hold a name with a double quote (\") in it:\r\n\r\n") +
                path + QStringLiteral("\r\n\r\nThe music stays as it was."),
            QStringLiteral("Lumora Maker"), desktop::Icon::Exclamation, desktop::Buttons::Ok};
    };
    // Cancelled or refused: the music stays as it was.
    if (const auto chosen = show_options::chooseMusic(*Dialog1, forms_.desktop(), this, refusal))
        Music_Txt->setText(*chosen);
}
