#include "folder/Search_Frm.h"

#include "controls/HiddenTextField.h"
#include "controls/Twips.h"
#include "folder/FolderShow.h"
#include "forms/Forms.h"
#include "platform/Desktop.h"
#include "platform/FormTimer.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>

Search_Frm::Search_Frm(Forms& owner) : Form(owner, FormId::Search) {
    setWindowTitle(QStringLiteral("Searching Subfolders"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips::rect(0, 0, 6270, 1605).size());

    Trigger_Timer = new FormTimer(100, false, this);
    Frame1 = new QGroupBox(QStringLiteral("Directory Depth"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAccessibleName(Frame1->title());
    Frame1->setGeometry(twips::rect(45, 90, 6180, 690));
    Search_Bar = new QProgressBar(Frame1);
    Search_Bar->setObjectName(QStringLiteral("Search_Bar"));
    Search_Bar->setAccessibleName(QStringLiteral("Directory Depth"));
    Search_Bar->setGeometry(twips::rect(90, 315, 6000, 240));
    Search_Bar->setRange(0, 100);
    Search_Bar->setValue(0);
    Search_Bar->setTextVisible(false);
    Frame2 = new QGroupBox(QStringLiteral("Current Directory"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setAccessibleName(Frame2->title());
    Frame2->setGeometry(twips::rect(45, 855, 6180, 690));
    Label1 = new QLabel(Frame2);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Its name is its text, the folder being searched, as a label's is.
    Label1->setAccessibleDescription(QStringLiteral("Current Directory"));
    Label1->setGeometry(twips::rect(135, 315, 5955, 240));
    Dir_Txt = new HiddenTextField(this);
    Dir_Txt->setObjectName(QStringLiteral("Dir_Txt"));

    connect(Trigger_Timer, &FormTimer::Timer, this, &Search_Frm::Trigger_Timer_Timer);
}

void Search_Frm::showForm() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    Form::showForm();
}

void Search_Frm::Form_Load() {
    Trigger_Timer->setEnabled(true);
}

void Search_Frm::Form_Unload() {
    Trigger_Timer->setEnabled(false);
    // Closed by the user before the walk: the hidden setup window comes back rather than leaving
    // the program without a window on screen.
    if (!ended_ && forms_.isLoaded(FormId::Setup))
        forms_.show(FormId::Setup);
}

void Search_Frm::Trigger_Timer_Timer() {
    Trigger_Timer->setEnabled(false);
    Search_Folders();
}

void Search_Frm::Search_Folders() {
    List1.clear();
    folder_walk::Progress progress;
    progress.folderChanged = [this](const QString& folder) { Dir1_Change(folder); };
    progress.barChanged = [this](int maximum, int value) { Get_Files(maximum, value); };
    List1 = folder_walk::walk(Dir_Txt->text(), lister, progress);
    drawNow(true);
    Save_Temp_File();
}

void Search_Frm::Dir1_Change(const QString& folder) {
    Label1->setText(folder);
    emit folderShown(folder);
    drawNow(false);
}

void Search_Frm::Get_Files(int maximum, int value) {
    Search_Bar->setMaximum(maximum);
    Search_Bar->setValue(value);
    emit barShown(maximum, value);
    drawNow(false);
}

void Search_Frm::drawNow(bool last) {
    // The walk does not return to the event loop, so the label and the bar are drawn here; but not
    // more often than a screen shows frames: drawing each of thousands of folders would take the
    // walk many times longer than the listing itself.
    constexpr qint64 FrameMs = 16;
    if (!last && lastDrawn_.isValid() && lastDrawn_.elapsed() < FrameMs)
        return;
    Label1->repaint();
    Search_Bar->repaint();
    lastDrawn_.start();
}

void Search_Frm::Save_Temp_File() {
    ended_ = true;
    const std::optional<ShowSettings> settings = showSettings ? showSettings() : std::nullopt;
    // A path a show file cannot hold is left out rather than written as a broken line.
    const QStringList pictures = show_file::storablePaths(List1);
    if (pictures.isEmpty() || !settings) {
        forms_.desktop().message(this, {QStringLiteral("No Files in Directory!"), QStringLiteral("ERROR"),
                                        desktop::Icon::Exclamation, desktop::Buttons::Ok});
        backToSetup();
        return;
    }
    QString error;
    const auto path = folder_show::writeTempShow(*settings, pictures, &error);
    if (!path) {
        forms_.desktop().message(this,
                                 {QStringLiteral("The show could not be started: ") + error,
                                  QStringLiteral("ERROR"), desktop::Icon::Critical, desktop::Buttons::Ok});
        backToSetup();
        return;
    }
    Forms& forms = forms_;
    forms.unload(FormId::Search);
    forms.playShow(*path);
}

void Search_Frm::backToSetup() {
    Forms& forms = forms_;
    forms.unload(FormId::Search);
    forms.show(FormId::Setup);
}
