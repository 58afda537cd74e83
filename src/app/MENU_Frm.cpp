#include "app/MENU_Frm.h"

#include "app/Artwork.h"
#include "controls/FileDrop.h"
#include "controls/HiddenTextField.h"
#include "controls/PictureButton.h"
#include "dialogs/OpenSaveDialog.h"
#include "forms/Forms.h"
#include "platform/Twips.h"
#include "show/SettingsStore.h"
#include "show/ShowFileKind.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace {

constexpr auto FocusKey = "btnFocus";

} // namespace

MENU_Frm::MENU_Frm(Forms& owner)
    : Form(owner, FormId::Menu),
      Open_Folder_Btn(new PictureButton(QStringLiteral("Lumora from Folder"), artwork::folderIcon, this)),
      Make_File_Btn(new PictureButton(QStringLiteral("Make Lumora File"), artwork::makeIcon, this)),
      Open_File_Btn(new PictureButton(QStringLiteral("Open Lumora File"), artwork::openIcon, this)),
      Open_File_Path_Txt(new HiddenTextField(this)),
      About_Btn(new PictureButton(QStringLiteral("About 10. Lumora"), artwork::aboutIcon, this)),
      Dialog1(new OpenSaveDialog(owner.desktop(), this)) {
    setWindowTitle(QStringLiteral("10. Lumora v0.4b by Corvath"));
    // A fixed border with a title bar and only the close box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips::rect(0, 0, 4905, 1215).size());

    Open_Folder_Btn->setObjectName(QStringLiteral("Open_Folder_Btn"));
    Open_Folder_Btn->setGeometry(twips::rect(45, 45, 1185, 1140));
    Make_File_Btn->setObjectName(QStringLiteral("Make_File_Btn"));
    Make_File_Btn->setGeometry(twips::rect(1260, 45, 1185, 1140));
    Open_File_Btn->setObjectName(QStringLiteral("Open_File_Btn"));
    Open_File_Btn->setGeometry(twips::rect(2475, 45, 1185, 1140));
    About_Btn->setObjectName(QStringLiteral("About_Btn"));
    About_Btn->setGeometry(twips::rect(3690, 45, 1185, 1140));

    Open_File_Path_Txt->setObjectName(QStringLiteral("Open_File_Path_Txt"));
    Open_File_Path_Txt->setText(QStringLiteral("Text1"));
    Open_File_Path_Txt->setGeometry(twips::rect(315, 3600, 1770, 285)); // below the client area: never seen
    Dialog1->setObjectName(QStringLiteral("Dialog1"));
    Dialog1->move(twips::rect(2565, 3555, 0, 0).topLeft());

    setTabOrder(Open_Folder_Btn, Make_File_Btn);
    setTabOrder(Make_File_Btn, Open_File_Btn);
    setTabOrder(Open_File_Btn, Open_File_Path_Txt);
    setTabOrder(Open_File_Path_Txt, About_Btn);

    onClick(Open_Folder_Btn, [this] { Open_Folder_Btn_Click(); });
    onClick(Make_File_Btn, [this] { Make_File_Btn_Click(); });
    onClick(Open_File_Btn, [this] { Open_File_Btn_Click(); });
    onClick(About_Btn, [this] { About_Btn_Click(); });
    onFocus(Open_Folder_Btn, [this] { Open_Folder_Btn_GotFocus(); });
    onFocus(Make_File_Btn, [this] { Make_File_Btn_GotFocus(); });
    onFocus(Open_File_Btn, [this] { Open_File_Btn_GotFocus(); });
    onFocus(About_Btn, [this] { About_Btn_GotFocus(); });

    drop_ = new FileDrop(
        *this,
        [](const QStringList& dropped) {
            return std::any_of(dropped.begin(), dropped.end(), show_file::looksLikeShow);
        },
        this);
    connect(drop_, &FileDrop::dropped, this,
            [this](const QStringList& dropped) { Form_OLEDragDrop(dropped); });
    drop_->attach();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
}

std::array<PictureButton*, 4> MENU_Frm::buttons() const {
    return {Open_Folder_Btn, Make_File_Btn, Open_File_Btn, About_Btn};
}

PictureButton* MENU_Frm::rememberedButton() const {
    return FocusedButton >= 0 && FocusedButton < 4 ? buttons()[std::size_t(FocusedButton)] : nullptr;
}

QString MENU_Frm::handOverText() const {
    return Open_File_Path_Txt->text();
}

void MENU_Frm::setHandOverText(const QString& text) {
    Open_File_Path_Txt->setText(text);
}

void MENU_Frm::Form_Load() {
    // Anything but a whole number counts as never stored.
    FocusedButton = qint16(settings::GetInt(settings::MenuApp, FocusKey, 0, -32768, 32767));
}

void MENU_Frm::showForm() {
    // Qt hands an activated window's focus to its first button before Form_Activate runs, and that
    // button's GotFocus would overwrite the remembered number. Naming the remembered button as the
    // window's focus beforehand keeps the number intact.
    if (PictureButton* b = rememberedButton())
        b->setFocus(Qt::OtherFocusReason);
    Form::showForm();
}

void MENU_Frm::Form_Activate() {
    // Any other number moves nothing: the first button keeps the focus Qt gave it.
    if (PictureButton* b = rememberedButton())
        b->setFocus(Qt::OtherFocusReason);
}

void MENU_Frm::replaceBy(FormId id) {
    // Loaded while the menu is still up: a window this build does not have, or one that closes
    // itself while it loads, leaves the user with the menu as it was rather than with no window.
    if (!forms_.load(id))
        return;
    forms_.hide(FormId::Menu);
    if (!forms_.show(id))
        forms_.show(FormId::Menu);
}

void MENU_Frm::Open_Folder_Btn_Click() {
    replaceBy(FormId::Setup);
}

void MENU_Frm::Make_File_Btn_Click() {
    replaceBy(FormId::Maker);
}

void MENU_Frm::Open_File_Btn_Click() {
    Dialog1->setFileName(QString());
    Dialog1->setDialogTitle(QStringLiteral("Open Lumora File"));
    Dialog1->setPurpose(QLatin1String(OpenSaveDialog::OpenShow));
    Dialog1->setFilter(QStringLiteral("Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*"));
    Dialog1->ShowOpen();
    const QString chosen = Dialog1->FileName();
    if (chosen.isEmpty())
        return; // cancelled
    // The player reads and judges the file itself.
    forms_.hide(FormId::Menu);
    forms_.playShow(chosen);
}

void MENU_Frm::Form_OLEDragDrop(const QStringList& dropped) {
    const auto show = std::find_if(dropped.begin(), dropped.end(), show_file::looksLikeShow);
    if (show == dropped.end() || !isVisible())
        return;
    // As after the open dialog: the player reads and judges the file itself.
    forms_.hide(FormId::Menu);
    forms_.playShow(*show);
}

void MENU_Frm::About_Btn_Click() {
    // The menu closes (saving its focus) before the about window opens; the about window brings a
    // new one back when it closes.
    Forms& forms = forms_;
    forms.unload(FormId::Menu);
    if (!forms.show(FormId::About))
        forms.show(FormId::Menu);
}

void MENU_Frm::Form_Unload() {
    settings::SaveSetting(settings::MenuApp, settings::Section, FocusKey, QString::number(FocusedButton));
    for (FormId id : {FormId::Player, FormId::Setup, FormId::Search, FormId::About, FormId::Maker})
        forms_.unload(id);
}
