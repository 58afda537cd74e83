#pragma once

#include "forms/Form.h"
#include "platform/RegularFile.h"
#include "player/ShowSequence.h"

#include <QElapsedTimer>

#include <memory>

class FormTimer;
class PicturePreloader;
class ImageBox;
class QLabel;
class QScreen;
class QTimer;
class HiddenTextField;
class ShowRemote;

// The full-screen, top-most player.
class Main_Frm : public Form {
    Q_OBJECT
public:
    explicit Main_Frm(Forms& owner);
    // `prepared` is a preloader the program started for this show before the window existed.
    Main_Frm(Forms& owner, std::unique_ptr<PicturePreloader> prepared);
    ~Main_Frm() override;

    void Form_Load() override;
    // The window system's close request, or the window destroyed by another program, leaves the show
    // as Escape does: the music stops, a folder show's temp.ini goes, and a show from the command
    // line ends the program.
    bool Form_QueryUnload() override;
    void Form_Activate() override;
    void showForm() override;

    void Show_Pics();
    void Next_Pic();
    void Prev_Pic();
    void Pause_Show();
    void Remove_Frame();
    void DELETE_Frame();
    void Close_Show();
    bool StartPlay();
    void StopPlay();

    ShowSequence& sequence() { return sequence_; }
    // Where the pictures come from: the workers that decode what comes next.
    const PicturePreloader& preloader() const { return *source_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tests reach the controls and clocks through their driver.
    friend class PlayerDriver;

    ImageBox* Image1;
    QLabel* Paused_lbl;
    QLabel* KeyDown_Lbl;
    HiddenTextField* File_Path_Txt;
    FormTimer* Timer1;
    FormTimer* Hotkeys_Timer;
    FormTimer* Hide_Mouse_Timer;
    FormTimer* Music_Timer;

    struct ArrowKey {
        bool held = false;
        bool pressedSincePoll = false;
        // Held now, or pressed and released since the last poll.
        bool takeState();
    };

    void Timer1_Timer();
    void Hotkeys_Timer_Timer();
    void Hide_Mouse_Timer_Timer();
    void Music_Timer_Timer();
    void Form_KeyPress(int code);
    void arrowPressed(ArrowKey& key, bool autoRepeat, void (Main_Frm::*step)());
    void arrowStep(StepOutcome (ShowSequence::*step)());
    void Escape();
    void pauseShow();
    void resumeShow();
    // The desktop's media controls: the show on the session bus while it plays.
    void steerFromDesktop();
    void tellRemote();
    void stopSteering();
    void SetTopMostWindow(bool on);
    void failLoading();
    // Asks the desktop to keep the screen awake while the show plays, or lets it blank again. Until
    // the first picture is on screen the wish is only noted.
    void keepScreenAwake(bool on);
    void tellDesktopScreenAwake();
    // What the first picture does not need waits for it to be on screen: the look ahead at the next
    // pictures and the desktop's screen saver (whose session bus may take its time).
    void afterFirstPaint();
    // Puts a step's outcome on screen and ends the show where the step says so. True when the
    // step showed a picture and the show goes on.
    bool present(StepOutcome outcome);
    void display(const StepOutcome& outcome);
    void deleteTempIniIfPlayed();
    QScreen* targetScreen() const;
    QRect screenGeometry() const;
    // The advance timer holds back while the picture just placed has yet to reach the screen.
    bool waitsForPaint() const;
    // Looks again for the picture a step waits for.
    void resumeStep();

    PlayerState& state_;
    // Behind a pointer: its threads and locks stay out of every file that includes this one.
    std::unique_ptr<PicturePreloader> source_;
    ShowSequence sequence_;
    ArrowKey left_;
    ArrowKey right_;
    bool pressed_ = false;
    bool closing_ = false;
    std::optional<regular_file::Stamp> playedStamp_;
    int busy_ = 0;
    QElapsedTimer shownAt_;
    bool exposedOnce_ = false;
    bool firstPaintDone_ = false;
    bool screenWanted_ = false;
    bool screenKeptAwake_ = false; // as the desktop was last told
    static constexpr qint64 FirstExposureWaitMs = 2000;
    static constexpr int FirstPaintSettleMs = 30;
    // A step waits this long for a picture being decoded, then leaves the window to the user and
    // looks again every PictureLookMs: a key or the close box is answered within 100 ms.
    static constexpr std::chrono::milliseconds PictureWait{50};
    static constexpr int PictureLookMs = 10;
    QTimer* pictureLook_;
    ShowRemote* remote_ = nullptr;
    int quickMusicEnds_ = 0;
    static constexpr int QuickEndsTolerated = 3;
};
