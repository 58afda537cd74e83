#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "platform/FormTimer.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QWindow>

#include <unistd.h>

using desktop::Answer;
using desktop::Buttons;
using desktop::Icon;

namespace {

const QString DeleteQuestion =
    "This will delete the following file from our hard disk. Are you sure you want to do this?";

void poll(PlayerDriver p) {
    emit p.keysClock()->Timer();
    settleStep(p);
}

// Sends Shift+Delete the way a keyboard does: Shift goes down first and comes up last.
void shiftDelete(PlayerDriver p, Qt::KeyboardModifiers held = Qt::ShiftModifier) {
    QTest::keyPress(p, Qt::Key_Delete, held);
    QTest::keyRelease(p, Qt::Key_Delete, held);
}

// Three coloured pictures; the tests steer by hand, so the timers stay quiet.
struct Show {
    ShowFixture f;
    QStringList pics;
    PlayerDriver player = nullptr;

    explicit Show(bool loop = false, bool pauseMessage = true, int count = 3, int delaySeconds = 60) {
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < count; ++i)
            pics << f.picture(QString("p%1.bmp").arg(i), colours[i]);
        ShowSettings s = plainSettings(loop, delaySeconds);
        s.pauseMessage = pauseMessage;
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        player = f.play(f.show("s.lmr", s, pics));
        player.keysClock()->setEnabled(false);
        player->activateWindow();
        if (!QTest::qWaitForWindowActive(player))
            qFatal("the player never became active");
    }
    qsizetype index() const { return f.forms->playerState().currentIndex; }
    bool open() const { return f.forms->isLoaded(FormId::Player); }
};

} // namespace

class PlayerInputTest : public QObject {
    Q_OBJECT
private slots:
    void arrowsArePolled();
    void arrowsWaitWhileAMessageBoxIsOpen();
    void clickersAndMediaKeysSteerAsTheirButtonsSay();
    void pauseByKeyAndClick();
    void pauseWithoutMessageDrawsNothing();
    void clickOnThePausedLabelDoesNothing();
    void pausedShowIgnoresRemovalButNotEscape();
    void backspaceTakesThePictureOut();
    void shiftDeleteAsksAndDeletesExactlyThatFile();
    void failedDeletionIsReportedAndLosesNothing();
    void onlyShiftAloneDeletes();
    void namesAreTakenByteForByte();
    void screenStaysAwakeWhileTheShowPlays();
    void theFocusComingAndGoingRepaintsNothing();
    void pointerHidesAndComesBack();
    void aKeyGivesThePictureAWholeDelay();
};

void PlayerInputTest::arrowsArePolled() {
    Show s(true);
    QCOMPARE(s.player.keysClock()->interval(), 100); // held: about ten steps a second
    QTest::keyPress(s.player, Qt::Key_Right);
    QCOMPARE(s.index(), 1); // the press itself steps, without waiting for a poll
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(s.player, &repeat);
    QCOMPARE(s.index(), 1);
    poll(s.player);
    QCOMPARE(s.index(), 2); // held: a step on every poll
    QTest::keyRelease(s.player, Qt::Key_Right);
    poll(s.player);
    QCOMPARE(s.index(), 2);
    // Pressed and released between two polls counts once.
    QTest::keyClick(s.player, Qt::Key_Left);
    poll(s.player);
    poll(s.player);
    QCOMPARE(s.index(), 1);
    QTest::keyClick(s.player, Qt::Key_Up);
    QTest::keyClick(s.player, Qt::Key_Down);
    poll(s.player);
    QCOMPARE(s.index(), 1);

    // On the last picture of a show without loop, Left and Right in one poll act Left first: the
    // show steps back and forth and does not end.
    Show t(false);
    QTest::keyClick(t.player, Qt::Key_Left);
    poll(t.player);
    QCOMPARE(t.index(), 2);
    QTest::keyClick(t.player, Qt::Key_Left);
    QTest::keyClick(t.player, Qt::Key_Right);
    poll(t.player);
    QVERIFY(t.open());
    QCOMPARE(t.index(), 2);
    QTest::keyClick(t.player, Qt::Key_Right);
    poll(t.player);
    QVERIFY(!t.open());

    // The poll starts over from a press, so holding on does not step again a moment later.
    Show u(true);
    u.player.keysClock()->setEnabled(true);
    QTRY_VERIFY(u.player.keysClock()->remainingTime() <= 50);
    QTest::keyPress(u.player, Qt::Key_Right);
    QVERIFY(u.player.keysClock()->remainingTime() > 50);
    QCOMPARE(u.index(), 1);
    QTest::keyRelease(u.player, Qt::Key_Right);
}

void PlayerInputTest::arrowsWaitWhileAMessageBoxIsOpen() {
    Show s(true);
    QTest::keyPress(s.player, Qt::Key_Right);
    QCOMPARE(s.index(), 1);
    bool polledWhileOpen = false;
    s.f.desktop.expectMessage("Lumora", DeleteQuestion, Icon::Question, Buttons::YesNoCancel, Answer::No,
                              [&] {
                                  // A real box takes the activation away from the player.
                                  QWidget box;
                                  box.show();
                                  box.activateWindow();
                                  QVERIFY(QTest::qWaitForWindowActive(&box));
                                  poll(s.player);
                                  poll(s.player);
                                  QCOMPARE(s.index(), 1);
                                  polledWhileOpen = true;
                              });
    QTest::keyRelease(s.player, Qt::Key_Right);
    shiftDelete(s.player);
    QVERIFY(polledWhileOpen);
    QCOMPARE(s.index(), 2); // No moves on
}

// Presenters' clickers send Page Down and Page Up; keyboards' media keys act as the desktop's media
// controls do.
void PlayerInputTest::clickersAndMediaKeysSteerAsTheirButtonsSay() {
    Show s(true, true, 4);
    // Sent as the window system delivers them: Qt Test's own key clicks know no media keys.
    const auto key = [&](Qt::Key k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(s.player, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(s.player, &release);
        settleStep(s.player);
    };
    key(Qt::Key_PageDown);
    QCOMPARE(s.index(), 1);
    key(Qt::Key_PageUp);
    QCOMPARE(s.index(), 0);
    // Held down, Page Down steps at every poll as Right does, and stops when it is let go.
    QTest::keyPress(s.player, Qt::Key_PageDown);
    settleStep(s.player);
    poll(s.player);
    QCOMPARE(s.index(), 2);
    QTest::keyRelease(s.player, Qt::Key_PageDown);
    poll(s.player);
    QCOMPARE(s.index(), 2);
    key(Qt::Key_MediaNext);
    QCOMPARE(s.index(), 3);
    key(Qt::Key_MediaPrevious);
    QCOMPARE(s.index(), 2);
    // One key for play and pause on most keyboards: it sends Play, and toggles.
    key(Qt::Key_MediaPlay);
    QVERIFY(s.f.forms->playerState().paused);
    QVERIFY(s.player.paused());
    key(Qt::Key_MediaPlay);
    QVERIFY(!s.f.forms->playerState().paused);
    key(Qt::Key_MediaTogglePlayPause);
    QVERIFY(s.f.forms->playerState().paused);
    // Pause only pauses.
    key(Qt::Key_MediaPause);
    QVERIFY(s.f.forms->playerState().paused);
    key(Qt::Key_MediaTogglePlayPause);
    key(Qt::Key_MediaPause);
    QVERIFY(s.f.forms->playerState().paused);
    QVERIFY(s.open());
    QKeyEvent stop(QEvent::KeyPress, Qt::Key_MediaStop, Qt::NoModifier);
    QApplication::sendEvent(s.player, &stop);
    QVERIFY(!s.open());
}

void PlayerInputTest::pauseByKeyAndClick() {
    Show s(true);
    QVERIFY(s.player.slideClock()->isTicking());
    QTest::keyClick(s.player, Qt::Key_Space);
    QVERIFY(s.f.forms->playerState().paused);
    QVERIFY(!s.player.slideClock()->isTicking());
    QVERIFY(s.player.paused());
    QCOMPARE(s.player.pauseNote()->text(), QStringLiteral("PAUSED"));
    QCOMPARE(s.player.keyNote()->text(), QStringLiteral("32"));
    QVERIFY(!s.player.keyNote()->isVisible());

    QTest::mouseClick(s.player, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!s.f.forms->playerState().paused);
    QVERIFY(s.player.slideClock()->isTicking());
    QVERIFY(!s.player.paused());
    // A click on the picture counts as a click on the window.
    QTest::mouseClick(s.player, Qt::LeftButton, {}, s.player.pictureBox()->geometry().center());
    QVERIFY(s.f.forms->playerState().paused);
    QVERIFY(s.player.paused());
}

void PlayerInputTest::pauseWithoutMessageDrawsNothing() {
    Show s(true, false);
    QTest::keyClick(s.player, Qt::Key_Space);
    QVERIFY(s.f.forms->playerState().paused);
    QVERIFY(!s.player.paused());
    QVERIFY(!s.player.slideClock()->isTicking());
}

void PlayerInputTest::clickOnThePausedLabelDoesNothing() {
    Show s(true);
    QTest::keyClick(s.player, Qt::Key_Space);
    QLabel* label = s.player.pauseNote();
    QVERIFY(label->isVisible());
    const QPoint onLabel = label->geometry().center();
    // The label lies over the picture, so the window would take a click there for its own.
    QVERIFY(s.player.pictureBox()->geometry().contains(onLabel));
    QCOMPARE(s.player->childAt(onLabel), label);
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
        QTest::mouseDClick(label, Qt::LeftButton, {}, label->rect().center());
        QVERIFY(s.f.forms->playerState().paused);
        QVERIFY(label->isVisible());
    }
    // Just beside it the click is the window's: it resumes, and the next one pauses again.
    const QPoint beside = label->geometry().topRight() + QPoint(3, 0);
    QTest::mouseClick(s.player, Qt::LeftButton, {}, beside);
    QVERIFY(!s.f.forms->playerState().paused);
    QVERIFY(!label->isVisible());
    QTest::mouseClick(s.player, Qt::LeftButton, {}, beside);
    QVERIFY(s.f.forms->playerState().paused);
}

void PlayerInputTest::pausedShowIgnoresRemovalButNotEscape() {
    Show s(true);
    QTest::keyClick(s.player, Qt::Key_Space);
    QTest::keyClick(s.player, Qt::Key_Backspace);
    shiftDelete(s.player);
    QCOMPARE(s.player->sequence().entries().size(), 3);
    QVERIFY(QFile::exists(s.pics[0]));
    QCOMPARE(s.player.keyNote()->text(), QStringLiteral("8"));
    QTest::keyClick(s.player, Qt::Key_Escape);
    QVERIFY(!s.open());
}

void PlayerInputTest::backspaceTakesThePictureOut() {
    Show s(false);
    QTest::keyClick(s.player, Qt::Key_Right);
    poll(s.player);
    QTest::keyClick(s.player, Qt::Key_Backspace);
    QCOMPARE(s.player->sequence().entries(), QStringList({s.pics[0], s.pics[2]}));
    QCOMPARE(s.f.shownColour(), QColor(Qt::blue));
    QVERIFY(s.player.slideClock()->isTicking());
    // The last picture of a show without loop: the first comes back and the show ends.
    QTest::keyClick(s.player, Qt::Key_Backspace);
    QVERIFY(!s.open());
    QVERIFY(QFile::exists(s.pics[1]) && QFile::exists(s.pics[2]));

    Show looping(true);
    QTest::keyClick(looping.player, Qt::Key_Left);
    poll(looping.player);
    QTest::keyClick(looping.player, Qt::Key_Backspace);
    QVERIFY(looping.open());
    QCOMPARE(looping.f.shownColour(), QColor(Qt::red));

    Show single(true, true, 1);
    single.f.desktop.expectMessage("ERROR", "This is the last picture!!", Icon::Information, Buttons::Ok);
    QTest::keyClick(single.player, Qt::Key_Backspace);
    single.f.desktop.verifyDone();
    QVERIFY(single.open());
    QCOMPARE(single.player->sequence().entries().size(), 1);
    QVERIFY(!single.player.slideClock()->isTicking());
    single.f.desktop.expectMessage("ERROR", "This is the last picture!!", Icon::Information, Buttons::Ok);
    shiftDelete(single.player);
    single.f.desktop.verifyDone();
    QVERIFY(QFile::exists(single.pics[0]));
}

void PlayerInputTest::shiftDeleteAsksAndDeletesExactlyThatFile() {
    Show s(true);
    QTest::keyClick(s.player, Qt::Key_Right);
    poll(s.player);
    s.f.desktop.expectMessage("Lumora", DeleteQuestion, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    shiftDelete(s.player);
    s.f.desktop.verifyDone();
    QVERIFY(!QFile::exists(s.pics[1]));
    QVERIFY(QFile::exists(s.pics[0]) && QFile::exists(s.pics[2]));
    QCOMPARE(s.player->sequence().entries(), QStringList({s.pics[0], s.pics[2]}));
    QCOMPARE(s.f.shownColour(), QColor(Qt::blue));
    QVERIFY(s.player.slideClock()->isTicking());

    for (Answer keep : {Answer::No, Answer::Cancel}) {
        s.f.desktop.expectMessage("Lumora", DeleteQuestion, Icon::Question, Buttons::YesNoCancel, keep);
        const qsizetype before = s.index();
        shiftDelete(s.player);
        QVERIFY(QFile::exists(s.pics[2]) && QFile::exists(s.pics[0]));
        QCOMPARE(s.player->sequence().entries().size(), 2);
        QCOMPARE(s.index(), (before + 1) % 2);
    }
}

void PlayerInputTest::failedDeletionIsReportedAndLosesNothing() {
    Show s(true);
    QVERIFY(QFile::remove(s.pics[0])); // gone behind the player's back
    s.f.desktop.expectMessage("Lumora", DeleteQuestion, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    s.f.desktop.expectMessage("Lumora",
                              "\"" + s.pics[0] + "\" could not be deleted: No such file or directory.",
                              Icon::Critical, Buttons::Ok);
    shiftDelete(s.player);
    s.f.desktop.verifyDone();
    QCOMPARE(s.player->sequence().entries().size(), 3);
    QCOMPARE(s.index(), 0);
    QVERIFY(s.player.slideClock()->isTicking());
    QVERIFY(s.open());
}

void PlayerInputTest::onlyShiftAloneDeletes() {
    Show s(true);
    shiftDelete(s.player, Qt::ShiftModifier | Qt::ControlModifier);
    shiftDelete(s.player, Qt::ShiftModifier | Qt::AltModifier);
    shiftDelete(s.player, Qt::NoModifier);
    QVERIFY(QFile::exists(s.pics[0]));
    QCOMPARE(s.player->sequence().entries().size(), 3);
}

void PlayerInputTest::namesAreTakenByteForByte() {
    ShowFixture f;
    // A Latin-1 name, as another system wrote it: not valid UTF-8.
    const QByteArray cafe = QFile::encodeName(f.dir()) + "/caf\xe9.bmp";
    QCOMPARE(::rename(QFile::encodeName(f.picture("tmp.bmp", Qt::red)).constData(), cafe.constData()), 0);
    const QString p1 = f.picture("p1.bmp", Qt::green);
    const QString p2 = f.picture("p2.bmp", Qt::blue);
    QByteArray text = "\"Strech=False\"\r\n\"Ratio=0\"\r\n\"Shuff=0\"\r\n\"Delay=60\"\r\n\"BackCol=0\"\r\n"
                      "\"Loop=1\"\r\n\"Message=1\"\r\n\"UseMusic=0\"\r\n\"Music=\"\r\n";
    text += "\"" + cafe + "\"\r\n";
    text += "\"" + QFile::encodeName(p1) + QByteArray("\0junk", 5) + "\"\r\n"; // names no file
    text += "\"" + QFile::encodeName(p2) + "\"\r\n";
    f.forms->show(FormId::Menu);
    f.forms->hide(FormId::Menu);
    PlayerDriver p = f.play(f.textFile("bytes.lmr", text));
    QVERIFY(p);
    QCOMPARE(f.shownColour(), QColor(Qt::red));
    p.advance();
    QCOMPARE(f.shownColour(), QColor(Qt::blue)); // the line with a NUL is a failed load
    p.advance();
    QCOMPARE(f.shownColour(), QColor(Qt::red));
    // Shift+Delete removes exactly the file of that name.
    f.desktop.expectMessage("Lumora", DeleteQuestion, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    shiftDelete(p);
    f.desktop.verifyDone();
    QCOMPARE(::access(cafe.constData(), F_OK), -1);
    QVERIFY(QFile::exists(p1) && QFile::exists(p2));
    QCOMPARE(f.shownColour(), QColor(Qt::blue));
}

void PlayerInputTest::screenStaysAwakeWhileTheShowPlays() {
    const QStringList awake{"inhibit: Playing a picture show"};
    const QStringList released = awake + QStringList{"release"};
    {
        // Taken once the first picture is on screen (the desktop's bus may be slow to answer); let
        // go while paused and taken again on resume; let go on Escape.
        ShowFixture f;
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        PlayerDriver p = f.play(f.show("s.lmr", plainSettings(true), {f.picture("a.bmp", Qt::red)}));
        QVERIFY(p);
        QVERIFY(f.desktop.screenSaverCalls.isEmpty());
        QTRY_COMPARE(f.desktop.screenSaverCalls, awake);
        QVERIFY(p.pictureBox()->isPainted());
    }
    {
        Show s(true);
        ScriptedDesktop& d = s.f.desktop;
        QTRY_COMPARE(d.screenSaverCalls, awake);
        QTest::keyClick(s.player, Qt::Key_Space);
        QCOMPARE(d.screenSaverCalls, released);
        QTest::mouseClick(s.player, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(d.screenSaverCalls, released + awake);
        QTest::keyClick(s.player, Qt::Key_Escape);
        QCOMPARE(d.screenSaverCalls, released + released);
        QVERIFY(!s.open());
    }
    {
        // The show's own end.
        Show s(false);
        for (int i = 0; i < 3; ++i)
            emit s.player.slideClock()->Timer();
        QVERIFY(!s.open());
        QCOMPARE(s.f.desktop.screenSaverCalls, released);
    }
    {
        // A close request of the window system.
        Show s(true);
        QTRY_VERIFY(s.f.desktop.screenKeptAwake());
        QCloseEvent close;
        QCoreApplication::sendEvent(s.player->windowHandle(), &close);
        QVERIFY(!s.open());
        QCOMPARE(s.f.desktop.screenSaverCalls, released);
    }
    {
        // A fatal message: let go before the box, since the program ends at once after it.
        ShowFixture f;
        ShowSettings settings = plainSettings(true);
        settings.useMusic = true;
        settings.musicPath = f.textFile("notes.mp3", "not music\n");
        f.desktop.expectMessage("Lumora", "Invalid Music file, program will exit.", Icon::Critical,
                                Buttons::Ok, Answer::Ok, [&] { QVERIFY(!f.desktop.screenKeptAwake()); });
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        PlayerDriver p = f.play(f.show("s.lmr", settings, {f.picture("a.bmp", Qt::red)}));
        QVERIFY(p);
        QTRY_VERIFY(f.desktop.endedWith.has_value());
        f.desktop.verifyDone();
        // The music fails as the player first becomes active, which may come before the desktop
        // was asked at all: either way the screen is not left kept awake.
        QVERIFY(!f.desktop.screenKeptAwake());
    }
    {
        // A show file that cannot be played never asks.
        ShowFixture f;
        f.desktop.expectMessage("Lumora", "Error, Invaild File!", Icon::Critical, Buttons::Ok);
        f.play(f.path("missing.lmr"));
        f.desktop.verifyDone();
        QVERIFY(f.desktop.screenSaverCalls.isEmpty());
    }
}

void PlayerInputTest::theFocusComingAndGoingRepaintsNothing() {
    // A full-screen paint costs milliseconds; at the start of a show the player's activation
    // came right after the first paint and painted it all again.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    Show s(true);
    QTRY_VERIFY(s.player.pictureBox()->isPainted());
    s.player.pictureBox()->installEventFilter(&counter);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    s.player->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.player));
    QTRY_VERIFY(s.player->hasFocus());
    // A repaint asked for is a posted request: delivering them paints at once.
    const auto paintAsked = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); };
    paintAsked();
    QCOMPARE(counter.paints, 0);
    s.player->update();
    paintAsked();
    QCOMPARE(counter.paints, 1);
}

void PlayerInputTest::pointerHidesAndComesBack() {
    Show s(true);
    QVERIFY(s.player.pointerClock()->isTicking());
    QCOMPARE(s.player.pointerClock()->interval(), 2000);
    emit s.player.pointerClock()->Timer();
    QCOMPARE(s.player->cursor().shape(), Qt::BlankCursor);
    emit s.player.pointerClock()->Timer();
    QCOMPARE(s.player->cursor().shape(), Qt::BlankCursor);
    QTest::mouseMove(s.player, QPoint(10, 10));
    QTest::mouseMove(s.player, QPoint(40, 30));
    QTRY_COMPARE(s.player->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(s.player.pointerClock()->isTicking());
    // Leaving restores the pointer for whatever comes next.
    emit s.player.pointerClock()->Timer();
    QTest::keyClick(s.player, Qt::Key_Escape);
    QCOMPARE(s.player->cursor().shape(), Qt::ArrowCursor);
}

void PlayerInputTest::aKeyGivesThePictureAWholeDelay() {
    Show s(true, true, 3, 1);
    FormTimer* timer = s.player.slideClock();
    QCOMPARE(timer->interval(), 1000);
    // Half-way through a delay, a key steps on: the picture it reaches gets a whole delay, so the
    // next automatic step comes later than it would have come without the key.
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left}) {
        QTRY_VERIFY(timer->remainingTime() <= 500);
        const int before = timer->remainingTime();
        const qsizetype at = s.index();
        QTest::keyClick(s.player, key);
        poll(s.player);
        QCOMPARE(s.index(), (at + (key == Qt::Key_Right ? 1 : 2)) % 3);
        QVERIFY2(timer->remainingTime() > before, qPrintable(QString::number(timer->remainingTime())));
    }
}

QTEST_MAIN(PlayerInputTest)
#include "test_player_input.moc"
