#pragma once

#include <QString>

class FormTimer;
class ImageBox;
class Main_Frm;
class QLabel;

// The player as tests watch and steer it. A person steers it with keys and the mouse, which tests
// send to the window itself; the show's clock is stepped here rather than waited for, so that no
// test depends on how fast the machine is. It stands in for the window pointer wherever one is
// wanted, so that the window's controls can change without editing tests across the tree.
class PlayerDriver {
public:
    PlayerDriver(Main_Frm* window = nullptr) : w_(window) {}

    Main_Frm* operator->() const { return w_; }
    operator Main_Frm*() const { return w_; }
    Main_Frm* window() const { return w_; }

    // The show's clock strikes: the next picture, as when the delay has passed.
    void advance();
    // The show file it plays.
    QString showPath() const;
    // The pause note is on screen.
    bool paused() const;

    // The parts themselves, for checks of placing, painting and timing.
    ImageBox* pictureBox() const;
    QLabel* pauseNote() const;
    QLabel* keyNote() const;
    // The clocks: the advance by the delay, the held arrow keys' poll, the pointer's hiding and
    // the music's watch.
    FormTimer* slideClock() const;
    FormTimer* keysClock() const;
    FormTimer* pointerClock() const;
    FormTimer* musicClock() const;

private:
    Main_Frm* w_;
};
