// The program started with pictures and folders on its command line, as a person starts it from a
// terminal or a file manager: the show they make, how each picture is placed, and what a command
// line that names nothing to play says.
#include "PlayerDriver.h"
#include "SetupFixture.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "maker/Maker_Frm.h"
#include "platform/FormTimer.h"
#include "platform/ProgramFolder.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"

#include <QDir>
#include <QTest>

using desktop::Buttons;
using desktop::Icon;

class TestCommandLineStart : public QObject {
    Q_OBJECT

    // The picture on screen, once its step has finished.
    static QString shownPath(SetupFixture& f) {
        PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
        settleStep(player);
        return player ? f.forms->playerState().currentPath : QString();
    }
    static void press(SetupFixture& f, Qt::Key key) {
        PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
        QVERIFY(player && QTest::qWaitForWindowActive(player));
        QTest::keyClick(player, key);
    }
    // A folder of three pictures and a text file, the delay waiting for keys.
    struct Folder {
        SetupFixture& f;
        QString a, b, c;
        explicit Folder(SetupFixture& fixture) : f(fixture) {
            a = f.picture("a.png", Qt::red);
            b = f.picture("b.bmp", Qt::green);
            c = f.picture("c.png", Qt::blue);
            f.textFile("notes.txt");
            SetupFixture::store("Delay", "0");
        }
    };

private slots:
    void aPictureStartsItsFolderAndGoesRound() {
        SetupFixture f;
        Folder folder(f);
        // The person chose where to start: a stored shuffle does not move it.
        SetupFixture::store("Shuffle", "1");
        SetupFixture::store("Colour", QString::number(0x00FF00FF));
        f.start({folder.b});
        PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
        QVERIFY(player && player->isVisible());
        QCOMPARE(shownPath(f), folder.b);
        QCOMPARE(f.shownColour(), QColor(Qt::green));
        QCOMPARE(player->palette().color(QPalette::Window), QColor(255, 0, 255));
        QCOMPARE(player.slideClock()->interval(), 0);
        press(f, Qt::Key_Right);
        QCOMPARE(shownPath(f), folder.c);
        press(f, Qt::Key_Right);
        QCOMPARE(shownPath(f), folder.a);
        press(f, Qt::Key_Right);
        QCOMPARE(shownPath(f), folder.b);
        press(f, Qt::Key_Escape);
        QTRY_VERIFY(f.programEnded);
        QVERIFY(!f.desktop.endedWith);
        QVERIFY(!QFile::exists(program_folder::tempIniPath()));
    }

    // A picture larger than the screen is seen whole, a smaller one at its own size, whatever the
    // folder setup stored; a show file keeps its own placing.
    void picturesAreSeenWhole() {
        SetupFixture f;
        SetupFixture::store("Delay", "0");
        SetupFixture::store("Display Mode", "True"); // own size
        const QString large = f.picture("large.png", Qt::red, QSize(1600, 1200));
        const QString small = f.picture("small.png", Qt::blue, QSize(100, 50));
        f.start({large, small});
        PlayerDriver player = f.forms->as<Main_Frm>(FormId::Player);
        QVERIFY(player);
        QCOMPARE(shownPath(f), large);
        const QSize screen = player->size();
        const QRect fitted = player.pictureBox()->geometry();
        QVERIFY2(QRect(QPoint(0, 0), screen).contains(fitted), "cut off by the screen");
        QVERIFY(fitted.width() == screen.width() || fitted.height() == screen.height());
        QVERIFY(qAbs(fitted.width() * 3 - fitted.height() * 4) <= 4);
        QCOMPARE(fitted.center(), QRect(QPoint(0, 0), screen).center());
        press(f, Qt::Key_Right);
        QCOMPARE(shownPath(f), small);
        QCOMPARE(player.pictureBox()->size(), QSize(100, 50));
        QCOMPARE(player.pictureBox()->geometry().center(), QRect(QPoint(0, 0), screen).center());
        press(f, Qt::Key_Escape);
        QTRY_VERIFY(f.programEnded);

        // The same picture in a show file at its own size is cut off, as show files have it: its
        // middle covers the screen.
        SetupFixture again;
        PlayerDriver shown = again.play(again.show("own.lmr", plainSettings(false, 0), {large}));
        QVERIFY(shown);
        QCOMPARE(shown.pictureBox()->geometry(), QRect(QPoint(0, 0), shown->size()));
    }

    void aFolderPlaysItsPictures() {
        SetupFixture f;
        Folder folder(f);
        QVERIFY(QDir(f.dir()).mkdir("sub"));
        const QString below = f.picture("sub/d.png", Qt::yellow);
        f.start({f.dir()});
        QCOMPARE(shownPath(f), folder.a);
        QCOMPARE(SetupFixture::tempShowLines().mid(9), (QStringList{folder.a, folder.b, folder.c}));
        press(f, Qt::Key_Escape);
        QTRY_VERIFY(f.programEnded);

        // With "Include Subfolders" stored, the search walks it, and a picture given before it comes first.
        SetupFixture walked;
        SetupFixture::store("Delay", "0");
        SetupFixture::store("Sub Dirs", "1");
        walked.start({folder.c, f.dir()});
        QTRY_VERIFY(walked.forms->isLoaded(FormId::Player));
        QCOMPARE(shownPath(walked), folder.c);
        QCOMPARE(SetupFixture::tempShowLines().mid(9),
                 (QStringList{folder.c, folder.a, folder.b, folder.c, below}));
    }

    void nothingToPlayIsSaidAndEndsTheProgram() {
        SetupFixture f;
        QVERIFY(QDir(f.dir()).mkdir("empty"));
        f.desktop.expectMessage("ERROR", "No Files in Directory!", Icon::Exclamation, Buttons::Ok);
        f.start({f.path("empty")});
        f.desktop.verifyDone();
        QCOMPARE(f.desktop.endedWith, 1);
        QVERIFY(!f.forms->isLoaded(FormId::Player));

        // The same after a walk that found nothing: no setup window comes back.
        SetupFixture walked;
        SetupFixture::store("Sub Dirs", "1");
        walked.desktop.expectMessage("ERROR", "No Files in Directory!", Icon::Exclamation, Buttons::Ok);
        walked.start({f.path("empty")});
        QTRY_COMPARE(walked.desktop.endedWith, 1);
        walked.desktop.verifyDone();
        QVERIFY(!walked.forms->isLoaded(FormId::Setup));

        // A text file beside a picture is neither picture nor show.
        SetupFixture mixed;
        mixed.desktop.expectMessage("Lumora", "Error reading Command Line!", Icon::Critical, Buttons::Ok);
        mixed.start({mixed.picture("a.png", Qt::red), mixed.textFile("notes.txt")});
        mixed.desktop.verifyDone();
        QCOMPARE(mixed.desktop.endedWith, 1);
    }

    void theMenusWindowsOpenDirectly() {
        SetupFixture f;
        f.start({"--folder"});
        QVERIFY(f.forms->as<Setup_Frm>(FormId::Setup) && f.forms->form(FormId::Setup)->isVisible());
        SetupFixture maker;
        maker.start({"--maker"});
        QVERIFY(maker.forms->as<Maker_Frm>(FormId::Maker) && maker.forms->form(FormId::Maker)->isVisible());
    }
};

QTEST_MAIN(TestCommandLineStart)
#include "test_commandline_start.moc"
