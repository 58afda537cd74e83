#include "folder/Setup_Frm.h"

#include "controls/DefaultButton.h"
#include "controls/FileDrop.h"
#include "controls/FileList.h"
#include "controls/FittingFont.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/MouseUpButton.h"
#include "controls/PalettePicker.h"
#include "controls/StepScrollBar.h"
#include "controls/VolumeList.h"
#include "dialogs/OpenSaveDialog.h"
#include "folder/FolderShow.h"
#include "folder/Search_Frm.h"
#include "forms/Forms.h"
#include "picture/PictureFormats.h"
#include "platform/DroppedFiles.h"
#include "platform/FolderListing.h"
#include "platform/General.h"
#include "platform/Twips.h"
#include "platform/Volumes.h"
#include "show/SettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>

namespace {

const QString App = QString::fromLatin1(settings::MenuApp);

template <typename W> W* place(W* widget, const char* name, QRect geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A caption that would overflow its box gets a smaller font rather than a larger box.
template <typename W> W* captioned(W* widget, const char* name, QRect geometry, int indent = 20) {
    place(widget, name, geometry);
    const QSize room(std::max(1, geometry.width() - indent), geometry.height());
    widget->setFont(fitting::font(widget->font(), widget->text(), room, Qt::AlignLeft | Qt::AlignVCenter));
    return widget;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& title, QRect geometry) {
    auto* f = place(new QGroupBox(title, parent), name, geometry);
    f->setAccessibleName(title);
    return f;
}

QLabel* centredLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* l = place(new QLabel(parent), name, geometry);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

// A loudspeaker with three short sound rays to its right.
QPixmap speakerPicture() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(1, 6, 3, 4));
    p.drawPolygon(QPolygonF({QPointF(4, 6), QPointF(8, 2.5), QPointF(8, 13.5), QPointF(4, 10)}));
    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 5), QPointF(13.5, 3));
    p.drawLine(QPointF(10.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(10.5, 11), QPointF(13.5, 13));
    return pm;
}

// Where the folder windows start when nothing usable is stored: the user's Pictures folder, or the
// home folder when there is none.
QString defaultFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

} // namespace

Setup_Frm::Setup_Frm(Forms& owner) : Form(owner, FormId::Setup) {
    setWindowTitle(QStringLiteral("Lumora from Folder Setup"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips::rect(0, 0, 5385, 5655).size());
    // Made in the order the window has always had them: the order gives the Tab chain's start and
    // which control lies over which.
    createFolderFrame();
    createOptionFrames();
    createRunRow();
    orderTabs();
    wireControls();
}

void Setup_Frm::createFolderFrame() {
    Frame1 = frame(this, "Frame1", QStringLiteral("Select Folder"), twips::rect(90, 135, 2985, 4920));
    Drive1 = place(new VolumeList(forms_.desktop(), forms_.browserState(), Frame1), "Drive1",
                   twips::rect(90, 315, 2805, 315));
    Subs_Chk = captioned(new QCheckBox(QStringLiteral("Include Subfolders"), Frame1), "Subs_Chk",
                         twips::rect(315, 765, 1725, 240));
    Dir1 = place(new FolderList(Frame1), "Dir1", twips::rect(90, 1080, 2760, 3465));
    File1 = place(new FileList(Frame1), "File1", twips::rect(225, 2835, 1860, 1260));
    File1->setPattern(picture_formats::pattern());
    File1->hide();
    Num_Files_Lbl = centredLabel(Frame1, "Num_Files_Lbl", twips::rect(135, 4590, 2670, 240));
    Num_Files_Lbl->setText(QStringLiteral("Number of Files: 0"));
    Dialog1 = new OpenSaveDialog(forms_.desktop(), Frame1);
    Dialog1->setObjectName(QStringLiteral("Dialog1"));
}

void Setup_Frm::createOptionFrames() {
    Frame4 = frame(this, "Frame4", QStringLiteral("Display Mode"), twips::rect(3150, 135, 2130, 1455));
    Maintain_Opt = captioned(new QRadioButton(QStringLiteral("Maintain Dimentions"), Frame4), "Maintain_Opt",
                             twips::rect(180, 405, 1725, 285));
    Strech_Opt = captioned(new QRadioButton(QStringLiteral("Strech to Fullscreen"), Frame4), "Strech_Opt",
                           twips::rect(180, 720, 1725, 285));
    Ratio_Chk = captioned(new QCheckBox(QStringLiteral("Keep Ratio"), Frame4), "Ratio_Chk",
                          twips::rect(585, 1080, 1230, 240));

    Frame3 = frame(this, "Frame3", QStringLiteral("Delay"), twips::rect(3150, 1710, 2130, 1095));
    // The design's box is narrower than "60 Seconds" in Debian's fonts: the label takes the free room
    // on both sides of it, centred where the design has it.
    Delay_Lbl = centredLabel(Frame3, "Delay_Lbl", twips::rect(135, 270, 1860, 285));
    Delay_Scroll =
        place(new StepScrollBar(Qt::Horizontal, Frame3), "Delay_Scroll", twips::rect(135, 630, 1860, 285));
    Delay_Scroll->setAccessibleName(QStringLiteral("Delay"));

    Frame2 = frame(this, "Frame2", QStringLiteral("Background Colour"), twips::rect(3150, 2925, 2130, 1455));
    Picker = new PalettePicker(Frame2, true);
    Picker->Pal->setGeometry(twips::rect(315, 270, 1545, 810));
    Picker->lbColor->setGeometry(twips::rect(315, 1080, 1230, 285));
    Picker->Save_Colour->setGeometry(twips::rect(1575, 1080, 285, 285));
}

// The show's switches, the run button and the music box along the bottom.
void Setup_Frm::createRunRow() {
    Shuff_Chk = captioned(new QCheckBox(QStringLiteral("Shuffle"), this), "Shuff_Chk",
                          twips::rect(3375, 4500, 870, 240));
    Shuff_Chk->setChecked(true);
    Loop_Chk =
        captioned(new QCheckBox(QStringLiteral("Loop"), this), "Loop_Chk", twips::rect(4410, 4500, 735, 240));
    Message_Chk = captioned(new QCheckBox(QStringLiteral("Display Pause Message"), this), "Message_Chk",
                            twips::rect(3240, 4860, 2040, 240));
    Run_btn = place(new QPushButton(QStringLiteral("Run Lumora"), this), "Run_btn",
                    twips::rect(90, 5175, 4740, 420));
    Music_Chk = place(new MouseUpButton(this), "Music_Chk", twips::rect(4905, 5175, 420, 420));
    Music_Chk->setCheckable(true);
    Music_Chk->setIcon(speakerPicture());
    Music_Chk->setIconSize(QSize(16, 16));
    Music_Chk->setAccessibleName(QStringLiteral("Background music"));
    options_ = {Maintain_Opt, Strech_Opt, Ratio_Chk, Delay_Lbl,   Delay_Scroll,
                Picker,       Shuff_Chk,  Loop_Chk,  Message_Chk, Music_Chk};
    options_.prepare();
}

void Setup_Frm::orderTabs() {
    QWidget::setTabOrder(Dir1, Drive1);
    QWidget::setTabOrder(Drive1, Delay_Scroll);
    QWidget::setTabOrder(Delay_Scroll, Picker->Pal);
    QWidget::setTabOrder(Picker->Pal, Maintain_Opt);
    QWidget::setTabOrder(Maintain_Opt, Strech_Opt);
    QWidget::setTabOrder(Strech_Opt, Ratio_Chk);
    QWidget::setTabOrder(Ratio_Chk, Run_btn);
    QWidget::setTabOrder(Run_btn, Shuff_Chk);
    QWidget::setTabOrder(Shuff_Chk, Loop_Chk);
    QWidget::setTabOrder(Loop_Chk, Message_Chk);
    QWidget::setTabOrder(Message_Chk, Subs_Chk);
    QWidget::setTabOrder(Subs_Chk, Music_Chk);
}

void Setup_Frm::wireControls() {
    // Handlers on the signals that also fire when code sets a value: restoring runs them too.
    connect(Drive1, &VolumeList::volumeChosen, this, &Setup_Frm::Drive1_Change);
    connect(Dir1, &FolderList::pathChanged, this, &Setup_Frm::Dir1_Change);
    connect(Subs_Chk, &QCheckBox::toggled, this, &Setup_Frm::Subs_Chk_Click);
    options_.connectHandlers(this, {[this] { Strech_Opt_Click(); }, [this] { Maintain_Opt_Click(); },
                                    [this] { Delay_Scroll_Change(); }, [this] { Delay_Scroll_Scroll(); }});
    connect(Music_Chk, &MouseUpButton::mouseUp, this, &Setup_Frm::Music_Chk_MouseUp);
    onClick(Run_btn, [this] { Run_btn_Click(); });
    new DefaultButton(*this, *Run_btn);
    drop_ = new FileDrop(
        *this,
        [](const QStringList& dropped) {
            return std::any_of(dropped.begin(), dropped.end(), dropped_files::isFolder);
        },
        this);
    connect(drop_, &FileDrop::dropped, this,
            [this](const QStringList& dropped) { Form_OLEDragDrop(dropped); });
    drop_->attach();
}

void Setup_Frm::showForm() {
    // Centred when it opens; shown again (after a search that found nothing), it stays where the
    // user put it.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!placed_ && screen)
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    placed_ = true;
    Form::showForm();
}

void Setup_Frm::Form_Load() {
    const folder_show::StoredChoices stored = folder_show::storedChoices();
    options_.setSettings(stored.settings);
    Subs_Chk->setChecked(stored.subfolders);
    forms_.showState().musicPath = stored.settings.musicPath;
    restoreFolder();
}

void Setup_Frm::restoreFolder() {
    Drive1->refresh();
    const QString fallback = defaultFolder();
    const QList<desktop::Volume> volumes = Drive1->volumes();
    const qsizetype home = volumes::holding(volumes, fallback);
    const QString defaultDrive = home >= 0 ? volumes[home].rootPath : QStringLiteral("/");
    const QString drive = settings::GetSetting(App, settings::Section, QStringLiteral("Drive"), defaultDrive);
    const QString path = settings::GetSetting(App, settings::Section, QStringLiteral("Path"), fallback);
    const auto listed = std::find_if(volumes.begin(), volumes.end(),
                                     [&](const desktop::Volume& v) { return v.rootPath == drive; });
    // Choosing a listed volume that is not ready says so, before the silent fall-back.
    const bool restored =
        listed != volumes.end() && Drive1->choose(drive) && listed->ready && openFolder(path);
    if (!restored) {
        if (!openFolder(fallback) && !openFolder(QDir::homePath()))
            openFolder(QStringLiteral("/"));
    }
    // The change of folder has counted already, unless the folder was the one shown before.
    if (File1->path() != Dir1->path())
        Dir1_Change();
}

bool Setup_Frm::openFolder(const QString& folder) {
    if (!Dir1->setPath(folder))
        return false;
    Drive1->followFolder(Dir1->path());
    return true;
}

void Setup_Frm::Drive1_Change(const desktop::Volume& volume) {
    if (volume.ready && openFolder(Drive1->lastFolderOn(volume.rootPath)))
        return;
    forms_.desktop().message(
        this, {QStringLiteral("Drive ") + volume.rootPath + QStringLiteral(" is not available!"),
               QStringLiteral("Invaild Drive"), desktop::Icon::Critical, desktop::Buttons::Ok});
}

void Setup_Frm::Dir1_Change() {
    File1->setPath(Dir1->path());
    Drive1->followFolder(Dir1->path());
    fitting::setText(Num_Files_Lbl,
                     QStringLiteral("Number of Files: ") + QString::number(folderPictures().size()));
}

QStringList Setup_Frm::folderPictures() const {
    QStringList pictures;
    for (const QString& name : File1->names())
        pictures << general::Full_Path(Dir1->path(), name);
    return show_file::storablePaths(pictures);
}

void Setup_Frm::Form_OLEDragDrop(const QStringList& dropped) {
    const auto folder = std::find_if(dropped.begin(), dropped.end(), dropped_files::isFolder);
    if (folder == dropped.end())
        return;
    const QString before = Dir1->path();
    if (!openFolder(*folder))
        forms_.desktop().beep(); // gone, or not to be listed, since the drag began
    else if (Dir1->path() == before)
        Dir1_Change(); // the same folder: counted afresh all the same
}

void Setup_Frm::Subs_Chk_Click() {
    const QString count = QString::number(folderPictures().size());
    fitting::setText(Num_Files_Lbl, Subs_Chk->isChecked() ? QStringLiteral("No. of Files in Root: ") + count
                                                          : QStringLiteral("Number of Files: ") + count);
}

void Setup_Frm::ShowColors(qint32 colour) {
    Picker->ShowColors(colour);
}

void Setup_Frm::ShowGradient(std::optional<qint32> first, qint32 second) {
    Picker->ShowGradient(first, second);
}

void Setup_Frm::Music_Chk_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, QPoint at) {
    // Released outside the box, or clearing it: the music path stays as it was.
    if (!show_options::releasedOver(Music_Chk, at) || !Music_Chk->isChecked())
        return;
    const auto refusal = [](const QString& path) {
        return desktop::MessageBox{QStringLiteral("The music file cannot be used: its path holds a double "
                                                  "quote (\"), which a show file cannot store.\n") +
                                       path,
                                   QStringLiteral("ERROR"), desktop::Icon::Exclamation, desktop::Buttons::Ok};
    };
    if (const auto chosen = show_options::chooseMusic(*Dialog1, forms_.desktop(), this, refusal))
        forms_.showState().musicPath = *chosen;
}

ShowSettings Setup_Frm::settings() const {
    return options_.settings(forms_.showState().musicPath);
}

void Setup_Frm::Save_Settings() {
    const auto save = [](const char* key, const QString& value) {
        settings::SaveSetting(App, settings::Section, QLatin1String(key), value);
    };
    const auto number = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    save("Display Mode", Maintain_Opt->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
    save("Keep Ratio", number(Ratio_Chk->isChecked()));
    save("Delay", QString::number(Delay_Scroll->value()));
    save("Loop", number(Loop_Chk->isChecked()));
    save("Shuffle", number(Shuff_Chk->isChecked()));
    save("Pause Message", number(Message_Chk->isChecked()));
    save("Sub Dirs", number(Subs_Chk->isChecked()));
    save("Colour", QString::number(Picker->chosenColour()));
    save("Drive", Drive1->text());
    save("Path", Dir1->path());
    save("UseMusic", number(Music_Chk->isChecked()));
    save("MusicPath", forms_.showState().musicPath);
}

void Setup_Frm::Run_btn_Click() {
    Save_Settings();
    if (Subs_Chk->isChecked()) {
        auto* search = qobject_cast<Search_Frm*>(forms_.load(FormId::Search));
        if (!search)
            return;
        search->setStartFolder(Dir1->path());
        search->showSettings = [setup = QPointer<Setup_Frm>(this)]() -> std::optional<ShowSettings> {
            if (!setup)
                return std::nullopt;
            return setup->settings();
        };
        forms_.hide(FormId::Setup);
        forms_.show(FormId::Search);
        return;
    }
    playFolder();
}

bool Setup_Frm::playFolder() {
    // The folder as it is now: pictures added or removed since it was opened, or the folder gone.
    Dir1_Change();
    // A path a show file cannot hold is left out rather than written as a broken line, and the user
    // is told so once.
    const QStringList found = File1->names();
    const QStringList pictures = folderPictures();
    if (pictures.size() < found.size())
        forms_.desktop().message(this, folder_show::leftOutMessage(found.size() - pictures.size()));
    if (pictures.isEmpty()) {
        forms_.desktop().message(this, {QStringLiteral("No Files in Directory!"), QStringLiteral("ERROR"),
                                        desktop::Icon::Exclamation, desktop::Buttons::Ok});
        return false;
    }
    QString error;
    const auto path = folder_show::writeTempShow(settings(), pictures, &error);
    if (!path) {
        forms_.desktop().message(this,
                                 {QStringLiteral("The show could not be started: ") + error,
                                  QStringLiteral("ERROR"), desktop::Icon::Critical, desktop::Buttons::Ok});
        return false;
    }
    forms_.hide(FormId::Setup);
    forms_.playShow(*path);
    return true;
}

void Setup_Frm::Form_Unload() {
    forms_.show(FormId::Menu);
}
