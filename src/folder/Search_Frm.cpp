#include "folder/Search_Frm.h"

#include "controls/HiddenTextField.h"
#include "folder/FolderShow.h"
#include "folder/WalkThread.h"
#include "forms/Forms.h"
#include "picture/PictureFormats.h"
#include "platform/Desktop.h"
#include "platform/FormTimer.h"
#include "platform/NativeName.h"
#include "platform/Twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>

Search_Frm::Search_Frm(Forms& owner)
    : Form(owner, FormId::Search), stopWalk(std::make_shared<std::atomic<bool>>(false)),
      lister(folder_walk::diskLister(picture_formats::pattern(), stopWalk.get())) {
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

    // The label and the bar follow the walk once a frame: drawing each of thousands of folders
    // would take longer than listing them.
    frameTimer_ = new QTimer(this);
    frameTimer_->setInterval(16);
    connect(frameTimer_, &QTimer::timeout, this, &Search_Frm::followWalk);

    connect(Trigger_Timer, &FormTimer::Timer, this, &Search_Frm::Trigger_Timer_Timer);
}

Search_Frm::~Search_Frm() = default;

void Search_Frm::showForm() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    Form::showForm();
}

void Search_Frm::setStartFolder(const QString& folder) {
    Dir_Txt->setText(folder);
}

void Search_Frm::Form_Load() {
    Trigger_Timer->setEnabled(true);
}

void Search_Frm::Form_Unload() {
    Trigger_Timer->setEnabled(false);
    frameTimer_->stop();
    stopWalk->store(true);
    // Closed by the user before the walk ended: no show; the hidden setup window comes back rather
    // than leaving the program without a window on screen.
    if (!ended_ && forms_.isLoaded(FormId::Setup))
        forms_.show(FormId::Setup);
}

void Search_Frm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

void Search_Frm::Trigger_Timer_Timer() {
    Trigger_Timer->setEnabled(false);
    Search_Folders();
}

void Search_Frm::Search_Folders() {
    if (walk_)
        return;
    List1.clear();
    pending_ = starts.isEmpty() ? QList<Start>{{Dir_Txt->text(), true}} : starts;
    if (!walkNext())
        Save_Temp_File();
}

bool Search_Frm::walkNext() {
    while (!pending_.isEmpty() && !pending_.first().folder)
        List1 << pending_.takeFirst().path;
    if (pending_.isEmpty())
        return false;
    walk_ = std::make_unique<WalkThread>(pending_.takeFirst().path, lister, stopWalk);
    frameTimer_->start();
    return true;
}

void Search_Frm::followWalk() {
    if (!walk_ || ended_ || stopWalk->load())
        return;
    // Read before the steps, so that no step made before the end is left behind.
    const bool finished = walk_->finished();
    const std::vector<WalkThread::Step> steps = walk_->takeSteps();
    const WalkThread::Step* lastFolder = nullptr;
    const WalkThread::Step* lastBar = nullptr;
    for (const WalkThread::Step& step : steps) {
        if (step.folder.isNull()) {
            emit barShown(step.maximum, step.value);
            lastBar = &step;
        } else {
            emit folderShown(step.folder);
            lastFolder = &step;
        }
        if (stopWalk->load())
            return; // a listener closed the window
    }
    if (lastFolder)
        Dir1_Change(lastFolder->folder);
    if (lastBar)
        Get_Files(lastBar->maximum, lastBar->value);
    if (!finished)
        return;
    List1 << walk_->takePictures();
    if (walkNext())
        return;
    frameTimer_->stop();
    // The last folder is on the screen before the show or the message takes over.
    Label1->repaint();
    Search_Bar->repaint();
    Save_Temp_File();
}

void Search_Frm::Dir1_Change(const QString& folder) {
    Label1->setText(native_name::forDisplay(folder));
}

void Search_Frm::Get_Files(int maximum, int value) {
    Search_Bar->setMaximum(maximum);
    Search_Bar->setValue(value);
}

void Search_Frm::Save_Temp_File() {
    ended_ = true;
    const std::optional<ShowSettings> settings = showSettings ? showSettings() : std::nullopt;
    // A path a show file cannot hold is left out rather than written as a broken line, and the
    // user is told so once.
    const QStringList pictures = show_file::storablePaths(List1);
    if (settings && pictures.size() < List1.size())
        forms_.desktop().message(this, folder_show::leftOutMessage(List1.size() - pictures.size()));
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
    const std::function<void()> after = nothingToShow;
    forms.unload(FormId::Search);
    if (after)
        after();
    else
        forms.show(FormId::Setup);
}
