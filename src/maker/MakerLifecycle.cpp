// The maker's wiring, its start and its end: which handler each control runs, the remembered
// settings, and the hand-back to the menu.
#include "maker/Maker_Frm.h"

#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/PalettePicker.h"
#include "controls/VolumeList.h"
#include "forms/Forms.h"
#include "maker/DragList.h"
#include "maker/ListDrop.h"
#include "maker/ListMoves.h"
#include "maker/PictureListModel.h"
#include "maker/PreviewLoader.h"
#include "show/Colour.h"
#include "show/SettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>

#include <climits>

namespace {

const QString App = QString::fromLatin1(settings::MakerApp);
const QString Twice = QStringLiteral("\r\n\r\n");

QString text(const char* key, const QString& fallback) {
    return settings::GetSetting(App, QLatin1String(settings::Section), QLatin1String(key), fallback);
}

int number(const char* key, int fallback, int min, int max) {
    return settings::GetInt(App, QLatin1String(key), fallback, min, max);
}

void save(const char* key, const QString& value) {
    settings::SaveSetting(App, QLatin1String(settings::Section), QLatin1String(key), value);
}

void save(const char* key, int value) {
    save(key, QString::number(value));
}

// Where the maker opens when nothing usable is remembered: the user's Pictures folder, or home.
QString defaultFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

} // namespace

void Maker_Frm::wireControls() {
    connect(Drive1, &VolumeList::volumeChosen, this, &Maker_Frm::Drive1_Change);
    connect(Dir1, &FolderList::pathChanged, this, [this] { Dir1_Change(); });
    // The file list's click handling follows its current entry, also when code moves it.
    connect(File1, &QListWidget::currentRowChanged, this, [this] { File1_Click(); });
    onDoubleClick(File1->viewport(), [this] { File1_DblClick(); });
    onFocus(File1, [this] { File1_GotFocus(); });
    onClick(Add_Btn, [this] { Add_Btn_Click(); });
    // The count follows the list's own changes, whichever way the list is changed.
    const auto count = [this] { Update_Count(); };
    connect(List1Items, &QAbstractItemModel::rowsInserted, this, count);
    connect(List1Items, &QAbstractItemModel::rowsRemoved, this, count);
    connect(List1Items, &QAbstractItemModel::modelReset, this, count);
    connect(List1Items, &QAbstractItemModel::layoutChanged, this, count);
    connect(List1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { List1_Click(); });
    // The press before it chose the entry already; the list has no use of its own for the double-click.
    onDoubleClick(
        List1->viewport(), [this] { List1_DblClick(); }, true);
    onKeyDown(List1, [this](int key, Qt::KeyboardModifiers shift) { return List1_KeyDown(key, shift); });
    onFocus(List1, [this] { List1_GotFocus(); });
    onClick(cmdUp, [this] { cmdUp_Click(); });
    onClick(cmdDown, [this] { cmdDown_Click(); });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    // The delay's change also follows the thumb while it is dragged: no handler of its own for that.
    options_.connectHandlers(this, {[this] { Strech_Opt_Click(); },
                                    [this] { Maintain_Opt_Click(); },
                                    [this] { Delay_Scroll_Change(); },
                                    {}});
    connect(Music_Chk, &QPushButton::toggled, this, [this] { Music_Chk_Click(); });
    onClick(Music_Btn, [this] { Music_Btn_Click(); });
    connect(preview_, &PreviewLoader::ready, this, &Maker_Frm::previewReady);
    // The dropped entry is already selected, but its selection travelled with it: preview it here.
    connect(dragList_, &DragList::itemMoved, this, [this] { List1_Click(); });
    connect(listDrop_, &ListDrop::dropped, this, &Maker_Frm::List1_OLEDragDrop);
    Music_Chk_Click();
    watchChanges();
}

void Maker_Frm::watchChanges() {
    const auto changed = [this] { changed_ = true; };
    connect(List1Items, &QAbstractItemModel::rowsInserted, this, changed);
    connect(List1Items, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(List1Items, &QAbstractItemModel::rowsMoved, this, changed);
    connect(List1Items, &QAbstractItemModel::dataChanged, this, changed);
    connect(List1Items, &QAbstractItemModel::modelReset, this, changed);
    for (QAbstractButton* option : std::initializer_list<QAbstractButton*>{Strech_Opt, Ratio_Chk, Loop_Chk,
                                                                           Shuff_Chk, Message_Chk, Music_Chk})
        connect(option, &QAbstractButton::toggled, this, changed);
    connect(Delay_Scroll, &QScrollBar::valueChanged, this, changed);
    connect(Palette, &PalettePicker::colourChosen, this, changed);
    connect(Music_Txt, &QLineEdit::textChanged, this, changed);
}

void Maker_Frm::Form_Load() {
    Image2->hide();
    Init_Drag_List();
    restoreSettings();
    Update_Count();
    changed_ = false;
}

void Maker_Frm::Init_Drag_List() {
    dragList_->attach();
    listDrop_->attach();
}

void Maker_Frm::restoreSettings() {
    const bool maintain = settings::GetBool(App, QStringLiteral("Display Mode"), true);
    (maintain ? Maintain_Opt : Strech_Opt)->setChecked(true);
    Ratio_Chk->setChecked(number("Keep Ratio", 1, 0, 1) == 1);
    Delay_Scroll->setValue(number("Delay", show_delay::Default, show_delay::Min, show_delay::Max));
    // A colour no show could be played with would make every preview fail: black instead.
    const qint32 colour = number("Colour", 0, INT_MIN, INT_MAX);
    Palette->setChosenColour(colour::names(colour) ? colour : 0);
    const std::pair<const char*, QCheckBox*> mirrored[] = {
        {"Loop", Loop_Chk}, {"Shuffle", Shuff_Chk}, {"Pause Message", Message_Chk}};
    const int defaults[] = {1, 0, 1};
    for (int i = 0; i < 3; ++i) {
        const auto& [key, box] = mirrored[i];
        box->setChecked(number(key, defaults[i], 0, 1) == 1);
        const QString button = box == Message_Chk ? QStringLiteral("Message") : QLatin1String(key);
        box->isChecked() ? Press_Button(button) : Release_Button(button);
    }
    Check1->setChecked(number("Preview", 1, 0, 1) == 1);

    // The remembered volume and folder, or, without a message of its own, the default ones.
    const QString folder = defaultFolder();
    Drive1->refresh();
    Drive1->followFolder(folder);
    const QString defaultVolume = Drive1->text();
    if (!restoreBrowser(text("Drive", defaultVolume), text("Path", folder)))
        restoreBrowser(defaultVolume, folder);
    Dir1_Change();
}

bool Maker_Frm::restoreBrowser(const QString& volume, const QString& folder) {
    // Choosing the volume runs its change handling as a user's choice does.
    if (!Drive1->choose(volume))
        return false;
    return Dir1->setPath(folder);
}

void Maker_Frm::Save_Settings() {
    save("Display Mode", Maintain_Opt->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
    save("Keep Ratio", Ratio_Chk->isChecked() ? 1 : 0);
    save("Delay", Delay_Scroll->value());
    save("Colour", Palette->chosenColour());
    save("Loop", Loop_Chk->isChecked() ? 1 : 0);
    save("Shuffle", Shuff_Chk->isChecked() ? 1 : 0);
    save("Pause Message", Message_Chk->isChecked() ? 1 : 0);
    save("Preview", Check1->isChecked() ? 1 : 0);
    save("Drive", Drive1->text());
    save("Path", Dir1->path());
}

bool Maker_Frm::Form_QueryUnload() {
    // An empty list holds nothing a save could keep; the options are remembered anyway.
    if (!changed_ || List1Items->count() == 0)
        return true;
    switch (ask(QStringLiteral("The show has changed since it was last saved.") + Twice +
                    QStringLiteral("Do you want to save the current Lumora before closing?"),
                desktop::Buttons::YesNoCancel)) {
    case desktop::Answer::Yes:
        return Save_File(false);
    case desktop::Answer::No:
        return true;
    default:
        return false;
    }
}

void Maker_Frm::Form_Unload() {
    Save_Settings();
    dragList_->detach();
    listDrop_->detach();
    preview_->cancel();
    forms_.show(FormId::Menu);
}
