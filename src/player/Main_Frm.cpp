#include "player/Main_Frm.h"

#include "controls/HiddenTextField.h"
#include "forms/Forms.h"
#include "picture/PicturePreloader.h"
#include "platform/Desktop.h"
#include "platform/FormTimer.h"
#include "platform/General.h"
#include "platform/NativeName.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/WindowMemory.h"
#include "player/ImageBox.h"
#include "player/Mouse.h"
#include "show/Colour.h"
#include "show/ShowFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

constexpr int PausedLabelWidthTwips = 2700;
constexpr int PausedLabelHeightTwips = 615;

const QString LumoraTitle = QStringLiteral("Lumora");

} // namespace

bool Main_Frm::ArrowKey::takeState() {
    const bool down = held || pressedSincePoll;
    pressedSincePoll = false;
    return down;
}

Main_Frm::Main_Frm(Forms& owner) : Main_Frm(owner, nullptr) {}

Main_Frm::Main_Frm(Forms& owner, std::unique_ptr<PicturePreloader> prepared)
    : Form(owner, FormId::Player), Image1(new ImageBox(this)), Paused_lbl(new QLabel(this)),
      KeyDown_Lbl(new QLabel(this)), File_Path_Txt(new HiddenTextField(this)),
      Timer1(new FormTimer(show_delay::Default * 1000, false, this)),
      Hotkeys_Timer(new FormTimer(100, true, this)), Hide_Mouse_Timer(new FormTimer(2000, true, this)),
      Music_Timer(new FormTimer(100, false, this)), state_(owner.playerState()),
      source_(prepared ? std::move(prepared) : std::make_unique<PicturePreloader>()),
      sequence_(state_, *source_), pictureLook_(new QTimer(this)) {
    sequence_.setPictureWait(PictureWait);
    pictureLook_->setInterval(PictureLookMs);
    connect(pictureLook_, &QTimer::timeout, this, &Main_Frm::resumeStep);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 1275 / TwipsPerPixel, 1050 / TwipsPerPixel);
    Image1->hide();

    Paused_lbl->setObjectName(QStringLiteral("Paused_lbl"));
    Paused_lbl->setText(QStringLiteral("PAUSED"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(26.25);
    font.setBold(true);
    Paused_lbl->setFont(font);
    Paused_lbl->setAlignment(Qt::AlignCenter);
    Paused_lbl->setAutoFillBackground(true);
    QPalette lp = Paused_lbl->palette();
    lp.setColor(QPalette::Window, Qt::black);
    lp.setColor(QPalette::WindowText, QColor(255, 255, 0));
    Paused_lbl->setPalette(lp);
    Paused_lbl->resize(PausedLabelWidthTwips / TwipsPerPixel, PausedLabelHeightTwips / TwipsPerPixel);
    // Clicks on the label are its own and do nothing; only the window and the picture pause.
    Paused_lbl->installEventFilter(this);
    Paused_lbl->hide();

    KeyDown_Lbl->setObjectName(QStringLiteral("KeyDown_Lbl"));
    KeyDown_Lbl->hide();
    File_Path_Txt->setObjectName(QStringLiteral("File_Path_Txt"));

    connect(Timer1, &FormTimer::Timer, this, &Main_Frm::Timer1_Timer);
    connect(Hotkeys_Timer, &FormTimer::Timer, this, &Main_Frm::Hotkeys_Timer_Timer);
    connect(Hide_Mouse_Timer, &FormTimer::Timer, this, &Main_Frm::Hide_Mouse_Timer_Timer);
    connect(Music_Timer, &FormTimer::Timer, this, &Main_Frm::Music_Timer_Timer);
}

Main_Frm::~Main_Frm() {
    // A player unloaded by the owner as the program ends never ran Close_Show.
    keepScreenAwake(false);
}

QScreen* Main_Frm::targetScreen() const {
    // The menu has hidden itself by now; its native window still knows the screen it was on.
    if (Form* m = forms_.form(FormId::Menu); m && m->windowHandle() && m->windowHandle()->screen())
        return m->windowHandle()->screen();
    return QGuiApplication::primaryScreen();
}

QRect Main_Frm::screenGeometry() const {
    const QScreen* screen = targetScreen();
    return screen ? screen->geometry() : QRect(0, 0, 640, 480);
}

void Main_Frm::showForm() {
    if (closing_)
        return;
    // Without a window manager showFullScreen alone leaves the window at its default size.
    const QRect screen = screenGeometry();
    if (QScreen* s = QGuiApplication::screenAt(screen.center()); s && windowHandle())
        windowHandle()->setScreen(s);
    setGeometry(screen);
    showFullScreen();
    shownAt_.start();
}

void Main_Frm::SetTopMostWindow(bool on) {
    // QWindow::setFlag changes the layer of a shown window without hiding it, as QWidget's would.
    if (QWindow* w = windowHandle(); w && isVisible())
        w->setFlag(Qt::WindowStaysOnTopHint, on);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

void Main_Frm::Form_Load() {
    SetTopMostWindow(true);
    File_Path_Txt->setText(forms_.handOver());
    // temp.ini is removed at the end only if it is still this show, not one another copy wrote since.
    playedStamp_ = regular_file::stampOf(File_Path_Txt->text());
    state_.paused = false;
    state_.failedCount = 0;

    const QRect screen = screenGeometry();
    // Placed in the window's own pixels, decoded for the screen's device pixels.
    sequence_.setScreen(screen.size(), targetScreen() ? targetScreen()->devicePixelRatio() : 1.0);
    const long long wTw = screen.width() * TwipsPerPixel;
    const long long hTw = screen.height() * TwipsPerPixel;
    Paused_lbl->move(int(halfOfRounded(double(wTw - PausedLabelWidthTwips)) / TwipsPerPixel),
                     int(halfOfRounded(double(hTw - PausedLabelHeightTwips)) / TwipsPerPixel));

    const auto read = show_file::read(File_Path_Txt->text());
    if (read.error != show_file::ReadError::None) {
        failLoading();
        return;
    }
    const ShowFileContent& show = read.content;
    std::optional<int> delayMs;
    if (show.delaySeconds && !(delayMs = show_file::delayToMilliseconds(*show.delaySeconds))) {
        failLoading();
        return;
    }
    std::optional<QColor> back;
    if (show.backColour && !(back = colour::toQColor(*show.backColour))) {
        failLoading();
        return;
    }
    // Nine settings lines and not one picture: there is nothing to play.
    if (show.pictures.isEmpty()) {
        failLoading();
        return;
    }
    state_.stretch = show.stretch.value_or(state_.stretch);
    state_.keepRatio = show.keepRatio.value_or(state_.keepRatio);
    state_.shuffle = show.shuffle.value_or(state_.shuffle);
    state_.loop = show.loop.value_or(state_.loop);
    state_.pauseMessage = show.pauseMessage.value_or(state_.pauseMessage);
    ShowState& shared = forms_.showState();
    shared.useMusic = show.useMusic.value_or(shared.useMusic);
    shared.musicPath = show.musicPath.value_or(shared.musicPath);
    if (delayMs)
        Timer1->setInterval(*delayMs);
    if (back) {
        QPalette p = palette();
        p.setColor(QPalette::Window, *back);
        setPalette(p);
    }

    sequence_.entries() = show.pictures;
    if (state_.shuffle)
        sequence_.shuffle();
    sequence_.keepFirstForEnd();
    state_.currentIndex = -1;
    // The first picture starts decoding on a worker while this thread sets up the window; the
    // pictures after it wait until it is on screen.
    sequence_.planAhead(+1, 1);
    sequence_.holdPlanning(true);
    QTimer::singleShot(FirstExposureWaitMs, this, &Main_Frm::afterFirstPaint);
    setGeometry(screen);
    create();
    window_memory::prepare(*this);
    Show_Pics();
    if (!closing_) {
        Timer1->setEnabled(true);
        keepScreenAwake(true);
    }
}

void Main_Frm::keepScreenAwake(bool on) {
    screenWanted_ = on;
    tellDesktopScreenAwake();
}

void Main_Frm::tellDesktopScreenAwake() {
    const bool on = screenWanted_ && firstPaintDone_;
    if (on == screenKeptAwake_)
        return;
    screenKeptAwake_ = on;
    if (on)
        forms_.desktop().inhibitScreenSaver(QStringLiteral("Playing a picture show"));
    else
        forms_.desktop().releaseScreenSaver();
}

void Main_Frm::afterFirstPaint() {
    if (firstPaintDone_ || closing_)
        return;
    firstPaintDone_ = true;
    sequence_.holdPlanning(false);
    tellDesktopScreenAwake();
    steerFromDesktop();
}

void Main_Frm::failLoading() {
    closing_ = true;
    keepScreenAwake(false);
    StopPlay();
    Show_Mouse(*this, true);
    SetTopMostWindow(false);
    // A show named on the command line: said on stderr too, as a command-line program does.
    if (forms_.showEndsProgram())
        std::fputs(
            ("lumora: " + native_name::encode(File_Path_Txt->text()) + ": not a picture or show file\n")
                .constData(),
            stderr);
    forms_.desktop().message(this, {QStringLiteral("Error, Invaild File!"), LumoraTitle,
                                    desktop::Icon::Critical, desktop::Buttons::Ok});
    forms_.desktop().endNow(1);
}

void Main_Frm::display(const StepOutcome& outcome) {
    Image1->setPicture(outcome.picture.image, state_.currentPath);
    Image1->setGeometry(outcome.area());
    Image1->show();
    tellRemote();
    // Painted before anything else happens: a fast timer must not let a step pass unseen, and the
    // old picture and the new one never share the screen.
    if (isVisible())
        repaint();
}

bool Main_Frm::present(StepOutcome outcome) {
    if (outcome.kind == StepOutcome::Waiting)
        pictureLook_->start();
    else
        pictureLook_->stop();
    switch (outcome.kind) {
    case StepOutcome::Nothing:
    case StepOutcome::Waiting:
        return false;
    case StepOutcome::Shown:
        display(outcome);
        return true;
    case StepOutcome::ShownThenEnd:
        display(outcome);
        deleteTempIniIfPlayed();
        Close_Show();
        return false;
    case StepOutcome::EndedQuietly:
        Image1->hide();
        deleteTempIniIfPlayed();
        Close_Show();
        return false;
    case StepOutcome::NoValidPictures:
        Image1->hide();
        ++busy_;
        forms_.desktop().message(this, {QStringLiteral("No Vaild Picture Files"), QStringLiteral("ERROR"),
                                        desktop::Icon::Exclamation, desktop::Buttons::Ok});
        --busy_;
        deleteTempIniIfPlayed();
        Close_Show();
        return false;
    }
    return false;
}

void Main_Frm::Show_Pics() {
    if (closing_)
        return;
    present(sequence_.Show_Pics());
}

void Main_Frm::resumeStep() {
    if (closing_ || !sequence_.waiting()) {
        pictureLook_->stop();
        return;
    }
    // The picture on screen now is the one the step was for: it gets a whole delay, whether the
    // step was the timer's or a key's, unless the show was paused meanwhile.
    if (present(sequence_.resume()) && !state_.paused) {
        Timer1->setEnabled(false);
        Timer1->setEnabled(true);
    }
}

void Main_Frm::Next_Pic() {
    arrowStep(&ShowSequence::Next_Pic);
}

void Main_Frm::Prev_Pic() {
    arrowStep(&ShowSequence::Prev_Pic);
}

void Main_Frm::arrowStep(StepOutcome (ShowSequence::*step)()) {
    if (closing_ || sequence_.entries().size() <= 1)
        return;
    afterFirstPaint();
    // A picture reached with a key stays for a whole delay.
    Timer1->setEnabled(false);
    if (present((sequence_.*step)()))
        Timer1->setEnabled(true);
}

bool Main_Frm::waitsForPaint() const {
    if (!Image1->awaitsPaint())
        return false;
    const QWindow* w = windowHandle();
    if (!w || !isVisible())
        return false;
    if (w->isExposed())
        return true;
    // Shown but not on screen: right after the show opens the window system is about to map the
    // window, and its first picture must not pass unseen. A window that stays unmapped
    // (minimised, on another workspace) will not paint, so that wait is bounded and happens once.
    return !exposedOnce_ && shownAt_.isValid() && shownAt_.elapsed() < FirstExposureWaitMs;
}

void Main_Frm::Timer1_Timer() {
    // A step whose message box is still open is not overtaken by the next tick.
    if (busy_ != 0)
        return;
    // Nor is one whose picture has yet to come: the tick only looks for it again.
    if (sequence_.waiting()) {
        resumeStep();
        return;
    }
    // Nor is a picture that is about to reach the screen (the first one, placed before the window
    // was shown): a fast timer waits for it rather than skipping it.
    if (waitsForPaint()) {
        Image1->update();
        return;
    }
    afterFirstPaint(); // a window that is never exposed steps on without it
    Show_Pics();
}

void Main_Frm::Hide_Mouse_Timer_Timer() {
    Show_Mouse(*this, false);
}

void Main_Frm::Pause_Show() {
    // A paused show is watched no longer, or on purpose: the desktop may blank the screen again.
    const auto told = qScopeGuard([this] { tellRemote(); });
    if (state_.paused) {
        keepScreenAwake(true);
        Timer1->setEnabled(true);
        state_.paused = false;
        if (state_.pauseMessage)
            Paused_lbl->hide();
    } else {
        keepScreenAwake(false);
        Timer1->setEnabled(false);
        state_.paused = true;
        if (state_.pauseMessage) {
            Paused_lbl->show();
            Paused_lbl->raise();
        }
    }
}

void Main_Frm::Remove_Frame() {
    // While a step waits, the entry in hand is not the picture on screen.
    if (sequence_.waiting())
        return;
    Timer1->setEnabled(false);
    if (sequence_.entries().size() > 1) {
        sequence_.removeCurrent();
        Show_Pics();
        if (!closing_)
            Timer1->setEnabled(true);
        return;
    }
    ++busy_;
    forms_.desktop().message(this, {QStringLiteral("This is the last picture!!"), QStringLiteral("ERROR"),
                                    desktop::Icon::Information, desktop::Buttons::Ok});
    --busy_;
}

void Main_Frm::DELETE_Frame() {
    if (sequence_.waiting())
        return;
    Timer1->setEnabled(false);
    desktop::Desktop& desk = forms_.desktop();
    if (sequence_.entries().size() == 1) {
        ++busy_;
        desk.message(this, {QStringLiteral("This is the last picture!!"), QStringLiteral("ERROR"),
                            desktop::Icon::Information, desktop::Buttons::Ok});
        --busy_;
        return;
    }
    ++busy_;
    const desktop::Answer answer = desk.message(
        this,
        {QStringLiteral("This will delete the following file from our hard disk. Are you sure you want to "
                        "do this?"),
         LumoraTitle, desktop::Icon::Question, desktop::Buttons::YesNoCancel});
    --busy_;
    if (closing_)
        return;
    if (answer == desktop::Answer::Yes) {
        const QString path = sequence_.entries().at(state_.currentIndex);
        QString error;
        if (!regular_file::remove(path, &error)) {
            // The file is still there, so the show keeps it and carries on from where it stood.
            ++busy_;
            desk.message(this, {QStringLiteral("\"%1\" could not be deleted: %2.").arg(path, error),
                                LumoraTitle, desktop::Icon::Critical, desktop::Buttons::Ok});
            --busy_;
            if (!closing_)
                Timer1->setEnabled(true);
            return;
        }
        sequence_.removeCurrent();
    }
    Show_Pics();
    if (!closing_)
        Timer1->setEnabled(true);
}

bool Main_Frm::Form_QueryUnload() {
    if (!closing_)
        Escape();
    // Escape has unloaded the window already.
    return false;
}

void Main_Frm::Escape() {
    deleteTempIniIfPlayed();
    Close_Show();
}

void Main_Frm::deleteTempIniIfPlayed() {
    if (File_Path_Txt->text() == program_folder::tempIniPath())
        if (regular_file::stampOf(File_Path_Txt->text()) == playedStamp_)
            QFile::remove(File_Path_Txt->text());
}

void Main_Frm::Close_Show() {
    if (closing_)
        return;
    closing_ = true;
    pictureLook_->stop();
    for (FormTimer* t : {Timer1, Hotkeys_Timer, Hide_Mouse_Timer, Music_Timer})
        t->setEnabled(false);
    keepScreenAwake(false);
    stopSteering();
    StopPlay();
    Show_Mouse(*this, true);
    SetTopMostWindow(false);
    forms_.unload(FormId::Player);
    for (FormId id : {FormId::Setup, FormId::Search, FormId::About})
        forms_.unload(id);
    Form* maker = forms_.form(FormId::Maker);
    if (maker && maker->isVisible()) {
        // The show was the maker's preview: back to the maker.
        forms_.hide(FormId::Menu);
        if (general::File_Exists(program_folder::tempLmrPath()))
            QFile::remove(program_folder::tempLmrPath());
    } else {
        forms_.unload(FormId::Maker);
        // A show from the command line ends the program rather than bringing the menu up for a moment.
        if (!forms_.showEndsProgram())
            forms_.show(FormId::Menu);
    }
    if (forms_.showEndsProgram())
        forms_.unload(FormId::Menu);
}

void Main_Frm::paintEvent(QPaintEvent* event) {
    // The look-ahead decoding and the desktop call wait a moment, so that on a small machine the
    // window system has the processors to itself while it puts this first paint on the screen.
    if (!exposedOnce_)
        QTimer::singleShot(FirstPaintSettleMs, this, &Main_Frm::afterFirstPaint);
    exposedOnce_ = true;
    Form::paintEvent(event);
}

bool Main_Frm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Paused_lbl) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            break;
        }
    }
    return Form::eventFilter(watched, event);
}

void Main_Frm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void Main_Frm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (!closing_ && rect().contains(event->position().toPoint()))
        Pause_Show();
}

void Main_Frm::mouseMoveEvent(QMouseEvent*) {
    if (closing_)
        return;
    Show_Mouse(*this, true);
    Hide_Mouse_Timer->setEnabled(false);
    Hide_Mouse_Timer->setEnabled(true);
}

// Qt's own focus handlers repaint the whole window when the focus comes or goes; nothing here shows
// it, and at the start of a show that second paint held the first picture back. Wayland is the
// exception: the compositor activates a window by a configure that takes effect only with the
// window's next frame, and sway holds the whole screen for up to 200 ms waiting for that frame, so
// there the focus coming is answered with a paint.
void Main_Frm::focusOutEvent(QFocusEvent*) {
    // A key released while another window had the focus never reaches us.
    left_.held = right_.held = false;
}

void Main_Frm::focusInEvent(QFocusEvent*) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        update();
}
