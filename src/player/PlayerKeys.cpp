#include "player/Main_Frm.h"

#include "controls/HiddenTextField.h"
#include "platform/FormTimer.h"
#include "platform/NativeName.h"
#include "platform/ProgramFolder.h"
#include "player/ShowRemote.h"

#include <QKeyEvent>
#include <QLabel>

// How the show is steered: the keyboard (arrows, and Page Down and Page Up, which presenters'
// clickers send), the keyboard's media keys, and the desktop's media controls over the session bus.

void Main_Frm::steerFromDesktop() {
    if (remote_ || closing_)
        return;
    // A box open over the show waits for its answer; nothing steps or ends under it.
    const auto unlessBusy = [this](void (Main_Frm::*act)()) {
        return [this, act] {
            if (!closing_ && busy_ == 0)
                (this->*act)();
        };
    };
    remote_ = new ShowRemote({unlessBusy(&Main_Frm::Next_Pic), unlessBusy(&Main_Frm::Prev_Pic),
                              unlessBusy(&Main_Frm::Pause_Show), unlessBusy(&Main_Frm::resumeShow),
                              unlessBusy(&Main_Frm::pauseShow), unlessBusy(&Main_Frm::Escape)},
                             this);
    remote_->setPaused(state_.paused);
    tellRemote();
}

void Main_Frm::tellRemote() {
    if (!remote_ || state_.currentPath.isEmpty())
        return;
    remote_->setPaused(state_.paused);
    // A folder's show is named by the picture's folder, a show file by its own name.
    const QString show = File_Path_Txt->text();
    const bool temporary = show == program_folder::tempIniPath() || show == program_folder::tempLmrPath();
    const QString named = temporary ? state_.currentPath.section(u'/', -2, -2) : show.section(u'/', -1);
    remote_->showing(state_.currentPath,
                     native_name::forDisplay(temporary ? named : named.section(u'.', 0, 0)));
}

void Main_Frm::stopSteering() {
    if (!remote_)
        return;
    // The name leaves the bus with the show, not when the window is freed.
    delete remote_;
    remote_ = nullptr;
}

void Main_Frm::resumeShow() {
    if (state_.paused)
        Pause_Show();
}

void Main_Frm::pauseShow() {
    if (!state_.paused)
        Pause_Show();
}

void Main_Frm::Hotkeys_Timer_Timer() {
    if (closing_ || !isActiveWindow())
        return;
    if (left_.takeState())
        Prev_Pic();
    if (!closing_ && right_.takeState())
        Next_Pic();
}

void Main_Frm::arrowPressed(ArrowKey& key, bool autoRepeat, void (Main_Frm::*step)()) {
    const bool fresh = !key.held && !autoRepeat;
    key.held = key.pressedSincePoll = true;
    // A fresh press steps at once rather than at the next poll, up to 100 ms later; the poll then
    // starts over from this step, so a held key still steps every 100 ms from here on.
    if (!fresh || closing_ || !isActiveWindow())
        return;
    key.pressedSincePoll = false;
    if (Hotkeys_Timer->isEnabled()) {
        Hotkeys_Timer->setEnabled(false);
        Hotkeys_Timer->setEnabled(true);
    }
    (this->*step)();
}

void Main_Frm::Form_KeyPress(int code) {
    KeyDown_Lbl->setText(QString::number(code));
    if (code == 27)
        Escape();
    if (closing_)
        return;
    if (code == 32)
        Pause_Show();
    if (!state_.paused && code == 8)
        Remove_Frame();
}

void Main_Frm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        arrowPressed(left_, event->isAutoRepeat(), &Main_Frm::Prev_Pic);
        return;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        arrowPressed(right_, event->isAutoRepeat(), &Main_Frm::Next_Pic);
        return;
    // The media keys act as the desktop's media controls do. Most keyboards have one key for play
    // and pause, which sends Play.
    case Qt::Key_MediaNext:
        Next_Pic();
        return;
    case Qt::Key_MediaPrevious:
        Prev_Pic();
        return;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
        if (!closing_)
            Pause_Show();
        return;
    case Qt::Key_MediaPause:
        if (!closing_)
            pauseShow();
        return;
    case Qt::Key_MediaStop:
        Escape();
        return;
    case Qt::Key_Escape:
        Form_KeyPress(27);
        return;
    case Qt::Key_Backspace:
        Form_KeyPress(8);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !closing_)
        Form_KeyPress(text.at(0).unicode());
}

void Main_Frm::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        left_.held = false;
        return;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        right_.held = false;
        return;
    case Qt::Key_Delete:
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier && !state_.paused && !closing_)
            DELETE_Frame();
        return;
    default:
        break;
    }
}
