#include "app/MENU_Frm.h"

#include "app/Forms.h"
#include "show/SettingsStore.h"

#include <QLineEdit>

MENU_Frm::MENU_Frm(Forms& owner) : Form(owner, FormId::Menu), Open_File_Path_Txt(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("10. Lumora v0.4b by Corvath"));
    setFixedSize(327, 81);
    Open_File_Path_Txt->setObjectName(QStringLiteral("Open_File_Path_Txt"));
    Open_File_Path_Txt->setText(QStringLiteral("Text1"));
    Open_File_Path_Txt->setGeometry(21, 240, 118, 19); // below the client area: never seen
    Open_File_Path_Txt->setFocusPolicy(Qt::NoFocus);
}

void MENU_Frm::Form_Load() {
    FocusedButton = qint16(settings::GetInt(settings::MenuApp, QStringLiteral("btnFocus"), 0, -32768, 32767));
}

void MENU_Frm::Form_Activate() {}

void MENU_Frm::Form_Unload() {
    settings::SaveSetting(settings::MenuApp, settings::Section, QStringLiteral("btnFocus"),
                          QString::number(FocusedButton));
    for (FormId id : {FormId::Player, FormId::Setup, FormId::Search, FormId::About, FormId::Maker})
        forms_.unload(id);
}
