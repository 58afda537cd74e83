#pragma once

#include "picture/PictureSource.h"
#include "picture/Placement.h"
#include "show/PlayerState.h"

#include <QStringList>

#include <chrono>
#include <optional>

// What a step asks of the window.
struct StepOutcome {
    enum Kind {
        Nothing,         // the step did not move (a show of one entry under an arrow key)
        Shown,           // `picture` goes on screen at `placement`
        ShownThenEnd,    // as Shown, then the show ends (a show without loop passed its last entry)
        EndedQuietly,    // the show ends without a message (the last entry failed, no loop)
        NoValidPictures, // every entry failed in a row: tell the user, then end the show
        Waiting,         // the picture to show is still being decoded: the screen stays as it is,
                         // and `ShowSequence::resume` goes on with the step
    };
    Kind kind = Nothing;
    LoadedPicture picture;
    Placement placement;

    // Where the picture's pixels go on screen, in pixels: the whole placement, or the part of it
    // that `picture` holds when only that part was decoded.
    QRect area() const;
};

// The play order and the stepping through it, apart from any window: which entry comes next, which
// loads failed, when a show without loop is over.
class ShowSequence {
public:
    ShowSequence(PlayerState& state, PictureSource& source) : state_(state), source_(source) {}

    QStringList& entries() { return list_; }
    const QStringList& entries() const { return list_; }
    // The screen the pictures are placed on, in logical pixels, and how many device pixels make one.
    void setScreen(QSize screen, double devicePixelRatio = 1.0) {
        screen_ = screen;
        devicePixelRatio_ = devicePixelRatio;
    }
    QSize screen() const { return screen_; }
    double devicePixelRatio() const { return devicePixelRatio_; }

    // Random order: every entry drawn without replacement from the state's generator.
    void shuffle();
    // Without loop the last step shows the first entry again as the show closes: the source keeps
    // it from its first showing. Called once the order of the show is settled.
    void keepFirstForEnd();

    // The advance timer's step (also the first picture and the step after a removal).
    StepOutcome Show_Pics();
    // The arrow keys' steps. Right while the advance timer's step waits goes on past the entry it
    // waits for; while its own step waits, it waits on with it. Left leaves any wait behind.
    StepOutcome Next_Pic();
    StepOutcome Prev_Pic();

    // How long a step waits for a picture still being decoded before it says Waiting.
    void setPictureWait(std::chrono::milliseconds wait) { pictureWait_ = waitNow_ = wait; }
    // A step waits for its picture.
    bool waiting() const { return waiting_.has_value(); }
    // Goes on with the step that waits, without waiting for the picture again.
    StepOutcome resume();

    // Tells the source which entries come next in `direction` (+1 forward, -1 back) from the current
    // one, at most `count` of them.
    void planAhead(int direction, int count = Lookahead);
    // While held, a step leaves the source's plan as it stands, so that nothing but the picture asked
    // for takes the cores; letting go plans from wherever the show then stands.
    void holdPlanning(bool hold);

    // Takes the current entry out of the show; the next Show_Pics shows the entry that took its
    // place. Returns the path that was removed.
    QString removeCurrent();

private:
    enum class Try { Shown, Failed, NotYet };
    // Where a step stands while it waits for a picture.
    struct Wait {
        int direction = +1;
        bool timer = true; // the advance timer's step, or an arrow key's
        bool atEnd = false;
        qsizetype tried = 0;
        qsizetype index = 0; // the entry waited for
    };

    StepOutcome showPics(bool atEnd);
    StepOutcome arrowStep(int direction, qsizetype tried = 0);
    StepOutcome planned(StepOutcome outcome, int direction);
    ShowGeometry geometry() const {
        return {screen_, state_.stretch, state_.keepRatio, devicePixelRatio_, state_.whole};
    }
    Try tryShow(qsizetype index, StepOutcome& outcome);
    StepOutcome waitFor(Wait wait);

    PlayerState& state_;
    PictureSource& source_;
    QStringList list_;
    QSize screen_;
    double devicePixelRatio_ = 1.0;
    static constexpr int Lookahead = 8;
    bool planningHeld_ = false;
    int heldDirection_ = 0; // the direction of the last step taken while held, 0 for none
    std::chrono::milliseconds pictureWait_ = std::chrono::milliseconds::max();
    std::chrono::milliseconds waitNow_ = pictureWait_;
    std::optional<Wait> waiting_;
};
