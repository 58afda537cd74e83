#include "FloodedJpeg.h"
#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "picture/PicturePreloader.h"
#include "platform/FormTimer.h"
#include "platform/ProgramFolder.h"
#include "player/EarlyStart.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"

#include "controls/HiddenTextField.h"
#include <QFile>
#include <QLabel>
#include <QLoggingCategory>
#include <QTest>

#include <algorithm>
#include <random>

using desktop::Buttons;
using desktop::Icon;

namespace {

// The advance timer's step, and its picture on screen (or the show over).
void tick(PlayerDriver player) {
    player.advance();
    settleStep(player);
}

bool near(QColor a, QColor b) {
    return a.isValid() && std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8;
}

void expectInvalidFile(ShowFixture& f) {
    f.desktop.expectMessage("Lumora", "Error, Invaild File!", Icon::Critical, Buttons::Ok);
}

// Stands in the maker's place: the player only asks whether it is loaded and shown.
class TestMaker : public Form {
public:
    explicit TestMaker(Forms& owner) : Form(owner, FormId::Maker) {}
};

} // namespace

class PlayerTest : public QObject {
    Q_OBJECT
private slots:
    void stepsInOrderAndEndsWithoutLoop();
    void shuffledShowPlaysEachPictureOncePerRound();
    void skipsWhatIsNotAPicture();
    void loopingShowOfMissingFilesEndsWithMessage();
    void placesPicturesOnTheScreen();
    void appliesTheShowsSettings();
    void refusesBrokenShows_data();
    void refusesBrokenShows();
    void tempIniIsDeletedOnlyForItsExactPath();
    void commandLineShowEndsTheProgram();
    void commandLineShowDecodesItsFirstPictureEarly();
    void commandLineMustNameAFile_data();
    void commandLineMustNameAFile();
    void settingsMissingFromAShowKeepTheLastValues();
    void hugeShowLoadsAndPlays();
    void everyPlacedPictureReachesTheScreen();
    void showsThatCannotPaintStillEnd();
    void randomBytesEndAsAShow();
    void missingFirstPictureStillEndsAShowWithoutLoop();
    void makerPreviewReturnsToTheMaker();
    void pictureStillDecodingLeavesTheWindowFree();
};

void PlayerTest::stepsInOrderAndEndsWithoutLoop() {
    ShowFixture f;
    const QString show =
        f.show("s.lmr", plainSettings(false),
               {f.picture("r.bmp", Qt::red), f.picture("g.png", Qt::green), f.picture("b.bmp", Qt::blue)});
    f.forms->show(FormId::Menu);
    f.forms->hide(FormId::Menu);
    PlayerDriver player = f.play(show);
    QVERIFY(player);
    QVERIFY(player->isVisible());
    QVERIFY(player->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(player->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(near(f.shownColour(), Qt::red));
    QVERIFY(player.slideClock()->isEnabled());
    QCOMPARE(player.slideClock()->interval(), 60000);
    tick(player);
    QVERIFY(near(f.shownColour(), Qt::green));
    tick(player);
    QVERIFY(near(f.shownColour(), Qt::blue));
    QPointer<Main_Frm> gone(player);
    tick(player);
    // The show is over: the player is gone and the menu it came from is back.
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(f.forms->form(FormId::Menu)->isVisible());
    QTRY_VERIFY(!gone);
    QCoreApplication::processEvents();
    QVERIFY(!f.programEnded);
}

void PlayerTest::shuffledShowPlaysEachPictureOncePerRound() {
    ShowFixture f;
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
    QStringList pics;
    for (const QColor& c : colours)
        pics << f.picture(c.name().mid(1) + ".bmp", c);
    ShowSettings s = plainSettings(true);
    s.shuffle = true;
    // Seeded, so that the order is known to differ from the file's.
    f.forms->playerState().random.seed(7);
    PlayerDriver p = f.play(f.show("s.lmr", s, pics));
    QVERIFY(p);
    const auto shownIndex = [&] {
        for (qsizetype i = 0; i < colours.size(); ++i) {
            if (near(f.shownColour(), colours[i]))
                return i;
        }
        return qsizetype(-1);
    };
    QList<qsizetype> rounds[2];
    for (auto& round : rounds) {
        for (int i = 0; i < colours.size(); ++i, tick(p))
            round << shownIndex();
    }
    QList<qsizetype> sorted = rounds[0];
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, (QList<qsizetype>{0, 1, 2, 3, 4, 5}));
    QVERIFY2(rounds[0] != sorted, "played in the file's order");
    QCOMPARE(rounds[1], rounds[0]);
}

void PlayerTest::skipsWhatIsNotAPicture() {
    ShowFixture f;
    QDir(f.dir()).mkdir("folder");
    const QStringList entries{f.picture("r.bmp", Qt::red), f.path("missing.jpg"), f.textFile("text.jpg"),
                              f.fifo("pipe.bmp"),          f.path("folder"),      f.textFile("empty.gif", ""),
                              f.picture("b.bmp", Qt::blue)};
    PlayerDriver player = f.play(f.show("s.lmr", plainSettings(true), entries));
    QVERIFY(near(f.shownColour(), Qt::red));
    tick(player);
    QVERIFY(near(f.shownColour(), Qt::blue));
    QCOMPARE(player->sequence().entries().size(), entries.size());
    tick(player);
    QVERIFY(near(f.shownColour(), Qt::red));
}

void PlayerTest::loopingShowOfMissingFilesEndsWithMessage() {
    ShowFixture f;
    const QString tempIni = program_folder::tempIniPath();
    f.show(tempIni, plainSettings(true), {f.path("a.jpg"), f.path("b.jpg")});
    f.desktop.expectMessage("ERROR", "No Vaild Picture Files", Icon::Exclamation, Buttons::Ok);
    f.forms->show(FormId::Menu);
    f.play(tempIni);
    f.desktop.verifyDone();
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(tempIni));
    QVERIFY(f.forms->form(FormId::Menu)->isVisible());

    // Without loop the same show ends at its failed last entry, without a message.
    ShowFixture g;
    g.play(g.show("s.lmr", plainSettings(false), {g.path("a.jpg"), g.path("b.jpg")}));
    QVERIFY(!g.forms->isLoaded(FormId::Player));
}

void PlayerTest::placesPicturesOnTheScreen() {
    ShowFixture f;
    ShowSettings own = plainSettings(true);
    PlayerDriver player = f.play(f.show("own.lmr", own, {f.picture("small.bmp", Qt::red, QSize(300, 200))}));
    const QSize screen = player->size();
    QCOMPARE(player->geometry(), player->screen()->geometry());
    QCOMPARE(player.pictureBox()->geometry(),
             QRect((screen.width() - 300) / 2, (screen.height() - 200) / 2, 300, 200));
    QVERIFY(player.pictureBox()->isVisible());
    player->Close_Show();

    ShowSettings ratio = plainSettings(true);
    ratio.stretch = ratio.keepRatio = true;
    player = f.play(f.show(
        "ratio.lmr", ratio,
        {f.picture("land.bmp", Qt::red, QSize(400, 100)), f.picture("port.bmp", Qt::blue, QSize(100, 400))}));
    QCOMPARE(player.pictureBox()->geometry(),
             QRect(0, (screen.height() - screen.width() / 4) / 2, screen.width(), screen.width() / 4));
    tick(player);
    QCOMPARE(player.pictureBox()->geometry(),
             QRect((screen.width() - screen.height() / 4) / 2, 0, screen.height() / 4, screen.height()));
    player->Close_Show();

    ShowSettings fill = ratio;
    fill.keepRatio = false;
    player = f.play(f.show("fill.lmr", fill, {f.path("land.bmp")}));
    QCOMPARE(player.pictureBox()->geometry(), QRect(QPoint(0, 0), screen));
}

void PlayerTest::appliesTheShowsSettings() {
    ShowFixture f;
    ShowSettings s = plainSettings(true, 3);
    s.backColour = 0x0000FF00 | 0x40; // green 255, red 0x40
    PlayerDriver player =
        f.play(f.show("s.lmr", s, {f.picture("r.bmp", Qt::red), f.picture("b.bmp", Qt::blue)}));
    QCOMPARE(player.slideClock()->interval(), 3000);
    QCOMPARE(player->palette().color(QPalette::Window), QColor(0x40, 0xFF, 0));
    QCOMPARE(player.showPath(), f.path("s.lmr"));
    // PAUSED sits in the middle of the screen whatever its size.
    const QRect label = player.pauseNote()->geometry();
    QCOMPARE(label.size(), QSize(180, 41));
    QVERIFY(std::abs(label.center().x() - player->width() / 2) <= 1);
    QVERIFY(std::abs(label.center().y() - player->height() / 2) <= 1);
    player->Close_Show();

    s.backColour = -2147483633; // the button face
    s.delaySeconds = 0;
    player = f.play(f.show("t.lmr", s, {f.path("r.bmp"), f.path("b.bmp")}));
    QCOMPARE(player->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    QVERIFY(!player.slideClock()->isTicking()); // a delay of 0 never advances
}

void PlayerTest::refusesBrokenShows_data() {
    QTest::addColumn<QByteArray>("content");
    const QByteArray head = "\"Strech=True\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n";
    const QByteArray tail = "\"Loop=1\"\r\n\"Message=1\"\r\n\"UseMusic=0\"\r\n\"Music=\"\r\n\"a.bmp\"\r\n";
    QTest::newRow("eight lines") << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n");
    QTest::newRow("delay of 70 s") << head + "\"Delay=70\"\r\n\"BackCol=0\"\r\n" + tail;
    QTest::newRow("delay not a number") << head + "\"Delay=soon\"\r\n\"BackCol=0\"\r\n" + tail;
    QTest::newRow("negative delay") << head + "\"Delay=-1\"\r\n\"BackCol=0\"\r\n" + tail;
    QTest::newRow("colour not a number") << head + "\"Delay=5\"\r\n\"BackCol=red\"\r\n" + tail;
    QTest::newRow("colour beyond RGB") << head + "\"Delay=5\"\r\n\"BackCol=16777216\"\r\n" + tail;
    QTest::newRow("unknown system colour") << head + "\"Delay=5\"\r\n\"BackCol=-2147483000\"\r\n" + tail;
    QTest::newRow("settings and no picture")
        << head + "\"Delay=5\"\r\n\"BackCol=0\"\r\n" + QByteArray(tail).replace("\"a.bmp\"\r\n", "");
}

void PlayerTest::refusesBrokenShows() {
    QFETCH(QByteArray, content);
    ShowFixture f;
    expectInvalidFile(f);
    f.play(f.textFile("bad.lmr", content));
    f.desktop.verifyDone();
    QCOMPARE(f.desktop.endedWith, 1);
    QVERIFY(!f.forms->as<Main_Frm>(FormId::Player) || !f.forms->as<Main_Frm>(FormId::Player)->isVisible());
    QVERIFY(QFile::exists(f.path("bad.lmr")));

    ShowFixture missing;
    expectInvalidFile(missing);
    missing.play(missing.path("nowhere.lmr"));
    QCOMPARE(missing.desktop.endedWith, 1);
}

void PlayerTest::tempIniIsDeletedOnlyForItsExactPath() {
    ShowFixture f;
    const QString tempIni = program_folder::tempIniPath();
    const QString pic = f.picture("r.bmp", Qt::red);
    f.show(tempIni, plainSettings(true), {pic});
    const QString lookalike = f.show("temp.ini", plainSettings(true), {pic});
    const QString sameFileOtherText = QFileInfo(tempIni).absolutePath() + "/./temp.ini";

    for (const QString& other : {lookalike, sameFileOtherText}) {
        PlayerDriver player = f.play(other);
        QTest::keyClick(player, Qt::Key_Escape);
        QVERIFY(!f.forms->isLoaded(FormId::Player));
        QVERIFY(QFile::exists(other));
    }
    // Another copy of the program has written a show of its own there since: that one stays.
    PlayerDriver player = f.play(tempIni);
    f.show(tempIni, plainSettings(false), {pic});
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(QFile::exists(tempIni));

    player = f.play(tempIni);
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(!QFile::exists(tempIni));
    QVERIFY(QFile::exists(lookalike));
}

void PlayerTest::commandLineShowEndsTheProgram() {
    ShowFixture probe;
    const QString show = probe.show("cl.lmr", plainSettings(false), {probe.picture("r.bmp", Qt::red)});
    ShowFixture f("\"" + show + "\" trailing words");
    f.start();
    PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player && player->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(player));
    QVERIFY(f.forms->isLoaded(FormId::Menu));
    QVERIFY(!f.forms->form(FormId::Menu)->isVisible());
    QCOMPARE(player.showPath(), show);
    tick(player);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!f.forms->isLoaded(FormId::Menu));
    QTRY_VERIFY(f.programEnded);
    QVERIFY(!f.desktop.endedWith);
}

void PlayerTest::commandLineShowDecodesItsFirstPictureEarly() {
    ShowFixture probe;
    const QString red = probe.picture("r.bmp", Qt::red);
    const QString blue = probe.picture("b.bmp", Qt::blue);
    const QString showPath = probe.show("cl.lmr", plainSettings(false), {red, blue});
    const QString commandLine = "\"" + showPath + "\"";
    // Known before any window exists: its first picture alone, for the screen the player opens on.
    auto prepared = early_start::firstPicture(showPath);
    QVERIFY(prepared);
    QCOMPARE(prepared->wanted(), QStringList{red});
    prepared->waitUntilIdle();
    QVERIFY(prepared->isPrepared(red));
    PicturePreloader* early = prepared.get();
    ShowFixture f(commandLine);
    auto held = std::make_shared<std::unique_ptr<PicturePreloader>>(std::move(prepared));
    f.forms->registerForm(FormId::Player,
                          [held](Forms& forms) { return new Main_Frm(forms, std::move(*held)); });
    f.start();
    QVERIFY(f.forms->as<Main_Frm>(FormId::Player));
    QCOMPARE(f.shownColour(), QColor(Qt::red));
    QCOMPARE(early->decodesStarted(), 1); // taken over, not decoded again
    // The player's own source from then on: it plans the next picture once the first is on screen.
    QTRY_COMPARE(early->wanted(), (QStringList{blue, red}));

    // Nothing to start early: a shuffled show, no show, a missing or broken one.
    ShowSettings shuffled = plainSettings(false);
    shuffled.shuffle = true;
    QVERIFY(!early_start::firstPicture(probe.show("shuffled.lmr", shuffled, {red, blue})));
    QVERIFY(!early_start::firstPicture(QString()));
    QVERIFY(!early_start::firstPicture(probe.path("missing.lmr")));
    QVERIFY(!early_start::firstPicture(probe.textFile("short.lmr", "\"Strech=True\"\r\n")));
}

void PlayerTest::commandLineMustNameAFile_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("missing file") << "/no/such/show.lmr";
    QTest::newRow("one quote") << "\"/no/such";
    QTest::newRow("empty quotes") << "\"\"";
}

void PlayerTest::commandLineMustNameAFile() {
    QFETCH(QString, commandLine);
    ShowFixture f(commandLine);
    f.desktop.expectMessage("Lumora", "Error reading Command Line!", Icon::Critical, Buttons::Ok);
    f.start();
    f.desktop.verifyDone();
    QCOMPARE(f.desktop.endedWith, 1);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

void PlayerTest::settingsMissingFromAShowKeepTheLastValues() {
    ShowFixture f;
    ShowSettings s = plainSettings(true);
    s.stretch = true;
    s.keepRatio = false;
    const QString pic = f.picture("r.bmp", Qt::red, QSize(10, 10));
    PlayerDriver player = f.play(f.show("first.lmr", s, {pic}));
    QCOMPARE(player.pictureBox()->size(), player->size());
    player->Close_Show();

    // Nine bare picture paths: no setting is recognised, every line is a picture, and the stretch
    // of the show before still holds.
    QByteArray bare;
    for (int i = 0; i < 9; ++i)
        bare += pic.toLocal8Bit() + "\r\n";
    player = f.play(f.textFile("bare.lmr", bare));
    QVERIFY(player);
    QCOMPARE(player->sequence().entries().size(), 9);
    QCOMPARE(player.pictureBox()->size(), player->size());
    QCOMPARE(player.slideClock()->interval(), 5000);
    QCOMPARE(player->palette().color(QPalette::Window), QColor(Qt::black));
}

void PlayerTest::hugeShowLoadsAndPlays() {
    ShowFixture f;
    QStringList entries;
    const QString pic = f.picture("r.bmp", Qt::red, QSize(8, 8));
    for (int i = 0; i < 100000; ++i)
        entries << (i % 2 ? pic : f.path(QString("missing-%1.bmp").arg(i)));
    PlayerDriver player = f.play(f.show("huge.lmr", plainSettings(true), entries));
    QVERIFY(player);
    QCOMPARE(player->sequence().entries().size(), 100000);
    QPointer<Main_Frm> gone(player);
    QTest::keyClick(player, Qt::Key_Escape); // nothing blocks: the test would time out
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QTRY_VERIFY(!gone);
    PlayerDriver again = f.play(f.path("huge.lmr"));
    for (int i = 0; i < 5; ++i)
        tick(again);
    QCOMPARE(f.forms->playerState().currentIndex, 11);
}

void PlayerTest::everyPlacedPictureReachesTheScreen() {
    QLoggingCategory::setFilterRules(QStringLiteral("lumora.paint.info=true"));
    ShowFixture f;
    const QStringList pics{f.picture("r.bmp", Qt::red), f.picture("g.bmp", Qt::green),
                           f.picture("b.bmp", Qt::blue)};
    QTest::ignoreMessage(QtInfoMsg, qPrintable("painted " + pics[0]));
    PlayerDriver p = f.play(f.show("s.lmr", plainSettings(true, 1), pics));
    p.slideClock()->setEnabled(false);
    QTest::ignoreMessage(QtInfoMsg, qPrintable("painted " + pics[1]));
    tick(p); // painted within the step itself
    QVERIFY(p.pictureBox()->isPainted());

    // Placed but not yet painted on a window that is on screen: the timer waits for it instead of
    // stepping past.
    QTest::ignoreMessage(QtInfoMsg, qPrintable("painted " + pics[2]));
    p.pictureBox()->setPicture(p.pictureBox()->picture(), pics[2]);
    QVERIFY(p.pictureBox()->awaitsPaint());
    tick(p);
    QCOMPARE(f.forms->playerState().currentIndex, 1);
    QTRY_VERIFY(p.pictureBox()->isPainted());

    // An unmapped window (minimised, on another workspace) paints nothing: the show goes on.
    p->hide();
    QTRY_VERIFY(!p->windowHandle()->isExposed());
    tick(p);
    QCOMPARE(f.forms->playerState().currentIndex, 2);
    tick(p);
    QCOMPARE(f.forms->playerState().currentIndex, 0);
    QLoggingCategory::setFilterRules(QString());
}

void PlayerTest::showsThatCannotPaintStillEnd() {
    // A show without loop on a fast timer, left to its own timer: each must end by itself.
    const auto rawShow = [](ShowFixture& f, const QString& name, const QByteArray& head,
                            const QStringList& pictures) {
        QByteArray text = head + "\"Shuff=0\"\r\n\"Delay=0.05\"\r\n\"BackCol=0\"\r\n\"Loop=0\"\r\n"
                                 "\"Message=1\"\r\n\"UseMusic=0\"\r\n\"Music=\"\r\n";
        for (const QString& p : pictures)
            text += "\"" + p.toUtf8() + "\"\r\n";
        return f.textFile(name, text);
    };
    const QByteArray own = "\"Strech=False\"\r\n\"Ratio=0\"\r\n";
    const QByteArray ratio = "\"Strech=True\"\r\n\"Ratio=1\"\r\n";

    {
        // The window is unmapped while the show runs.
        ShowFixture f;
        QStringList pics;
        for (QColor c : {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta})
            pics << f.picture(c.name().mid(1) + ".bmp", c);
        PlayerDriver p = f.play(rawShow(f, "unmapped.lmr", own, pics));
        QVERIFY(p);
        p->hide();
        QTRY_VERIFY(!f.forms->isLoaded(FormId::Player));
    }
    {
        // A blank line places an empty picture of no size.
        ShowFixture f;
        PlayerDriver p = f.play(
            rawShow(f, "blank.lmr", own, {f.picture("a.bmp", Qt::red), "", f.picture("b.bmp", Qt::blue)}));
        QVERIFY(p);
        QTRY_VERIFY(!f.forms->isLoaded(FormId::Player));
    }
    {
        // Far taller or wider than the screen, kept in ratio: placed at no width or no height.
        ShowFixture f;
        PlayerDriver p = f.play(rawShow(f, "thin.lmr", ratio,
                                        {f.picture("tall.bmp", Qt::red, QSize(1, 2200)),
                                         f.picture("wide.bmp", Qt::blue, QSize(5000, 1))}));
        QVERIFY(p);
        QTRY_VERIFY(!f.forms->isLoaded(FormId::Player));
    }
    {
        // The same blank entry in a looping show is stepped past on every round.
        ShowFixture f;
        ShowSettings s = plainSettings(true);
        PlayerDriver p =
            f.play(f.show("loop.lmr", s, {f.picture("a.bmp", Qt::red), "", f.picture("b.bmp", Qt::blue)}));
        for (qsizetype expected : {1, 2, 0, 1, 2})
            QVERIFY((tick(p), f.forms->playerState().currentIndex == expected));
    }
}

void PlayerTest::randomBytesEndAsAShow() {
    // 10 KB of random bytes: nine fields that are no settings, then garbage names that fail to
    // load and, where two line ends meet, blank entries. It plays those as empty pictures and ends.
    std::mt19937 random(20261207);
    for (int round = 0; round < 4; ++round) {
        QByteArray bytes(10240, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random());
        bytes.replace(700 + round * 1000, 3, "\n\n\n"); // at least one blank entry
        ShowFixture f;
        PlayerDriver p = f.play(f.textFile("random.lmr", bytes));
        QVERIFY(p);
        QVERIFY(!f.desktop.endedWith);
        int ticks = 0;
        while (f.forms->isLoaded(FormId::Player) && ticks < 1000) {
            tick(p);
            ++ticks;
        }
        QVERIFY2(!f.forms->isLoaded(FormId::Player), "the show never ended");
        QTRY_VERIFY(f.forms->form(FormId::Menu)->isVisible());
    }
}

void PlayerTest::missingFirstPictureStillEndsAShowWithoutLoop() {
    ShowFixture f;
    PlayerDriver p =
        f.play(f.show("s.lmr", plainSettings(false),
                      {f.path("deleted.bmp"), f.picture("a.bmp", Qt::red), f.picture("b.bmp", Qt::blue)}));
    QVERIFY(near(f.shownColour(), Qt::red));
    tick(p);
    QVERIFY(near(f.shownColour(), Qt::blue));
    tick(p);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

void PlayerTest::makerPreviewReturnsToTheMaker() {
    ShowFixture f;
    f.forms->registerForm(FormId::Maker, [](Forms& owner) { return new TestMaker(owner); });
    const QString tempLmr = program_folder::tempLmrPath();
    const QString pic = f.picture("r.bmp", Qt::red);

    // The preview: the maker is on screen and the menu hidden when the show starts.
    f.forms->load(FormId::Menu);
    Form* maker = f.forms->show(FormId::Maker);
    QVERIFY(maker);
    f.show(tempLmr, plainSettings(true), {pic});
    QTest::keyClick(f.play(tempLmr), Qt::Key_Escape);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.forms->form(FormId::Maker), maker);
    QVERIFY(maker->isVisible());
    QVERIFY(!f.forms->form(FormId::Menu)->isVisible());
    QVERIFY(!QFile::exists(tempLmr));

    // A maker that is loaded but hidden was not previewing: it closes and the menu comes back, and a
    // temp.lmr that was not played stays.
    f.show(tempLmr, plainSettings(true), {pic});
    f.forms->hide(FormId::Maker);
    QTest::keyClick(f.play(f.show("s.lmr", plainSettings(true), {pic})), Qt::Key_Escape);
    QVERIFY(!f.forms->isLoaded(FormId::Maker));
    QVERIFY(f.forms->form(FormId::Menu)->isVisible());
    QVERIFY(QFile::exists(tempLmr));
    QFile::remove(tempLmr);
    QCoreApplication::processEvents();
    QVERIFY(!f.programEnded);
}

void PlayerTest::pictureStillDecodingLeavesTheWindowFree() {
    // A picture that floods its decoder with scans (a second or so of work, within the limits): the
    // step waits for it with the last picture on screen; the right arrow moves on past it, and
    // Escape ends the show meanwhile.
    ShowFixture f;
    const QString slow = f.path("slow.jpg");
    QFile file(slow);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(flooded_jpeg::repeatingLastScan(flooded_jpeg::honest(QSize(3000, 3000)), 200));
    file.close();
    PlayerDriver p = f.play(f.show("s.lmr", plainSettings(true),
                                   {f.picture("a.bmp", Qt::red), slow, f.picture("b.bmp", Qt::blue), slow}));
    QVERIFY(near(f.shownColour(), Qt::red));
    p.advance();
    QVERIFY(p->sequence().waiting());
    QVERIFY(near(f.shownColour(), Qt::red));
    p->Next_Pic();
    settleStep(p);
    QVERIFY(near(f.shownColour(), Qt::blue));
    // The key held down waits on with its own step rather than pass the picture unseen.
    p->Next_Pic();
    p->Next_Pic();
    QVERIFY(p->sequence().waiting());
    QVERIFY(near(f.shownColour(), Qt::blue));
    QTest::keyClick(p, Qt::Key_Escape);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

QTEST_MAIN(PlayerTest)
#include "test_player.moc"
