#include "FileDrops.h"
#include "SetupFixture.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/MouseUpButton.h"
#include "controls/PaletteMaths.h"
#include "controls/PalettePicker.h"
#include "controls/VolumeList.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/ProgramFolder.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreGivesTheDefaults();
    void restoredStateRunsChangeHandling();
    void runWritesTheFolderInNameOrder();
    void musicBoxByMouseOpensTheDialogAndCancelKeepsItChecked();
    void closeBoxStoresNothingAndShowsTheMenu();
    void emptyFolderStoresWarnsAndStays();
    void picturesWithQuotesAreLeftOut();
    void unwritableShowFileWarnsAndStays();
    void volumeThatIsNotReadyIsReportedAndFallsBack();
    void paletteByMouseOrKeysGivesTheShowItsColour();
    void controlsAreNamedAndPlaced();
    void keyboardOpensFoldersAndStepsTheDelay();
    void runPlaysTheFolderAsItIsNow();
    void droppedFolderIsOpenedAndCounted();
    void movedWindowStaysWhereTheUserPutIt();
    void folderLastUsedOnAVolumeOutlivesTheWindow();
};

void SetupTest::emptyStoreGivesTheDefaults() {
    SetupFixture f;
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QVERIFY(!f.forms->form(FormId::Menu)->isVisible());
    QVERIFY(s.maintained());
    QVERIFY(s.keepRatio());
    QVERIFY(!s.keepRatioEnabled());
    QCOMPARE(s.delay(), 5);
    QCOMPARE(s.delayText(), "5 Seconds");
    QVERIFY(s.looped());
    QVERIFY(!s.shuffled());
    QVERIFY(s.pauseMessage());
    QVERIFY(!s.subfolders());
    QCOMPARE(s.colour(), 0);
    QVERIFY(!s.music());
    QCOMPARE(f.forms->showState().musicPath, QString());
    // No Pictures folder in the test's home: the home folder, without a message.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(s.folder(), QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
    QCOMPARE(s.volume(), "/");
    QVERIFY(s.count().startsWith("Number of Files: "));
}

void SetupTest::restoredStateRunsChangeHandling() {
    SetupFixture f;
    f.picture("one.jpg", Qt::red);
    f.store("Display Mode", "False");
    f.store("Keep Ratio", "0");
    f.store("Delay", "1");
    f.store("Sub Dirs", "1");
    f.store("Colour", "16711680");
    f.store("UseMusic", "1");
    f.store("MusicPath", "/music/tune.mp3");
    f.store("Drive", "/");
    f.store("Path", f.dir());
    SetupDriver s = f.openSetup(); // the music box restored checked opens no dialog
    QVERIFY(s);
    QVERIFY(s.stretched());
    QVERIFY(s.keepRatioEnabled());
    QVERIFY(!s.keepRatio());
    QCOMPARE(s.delayText(), "1 Second");
    QVERIFY(s.subfolders());
    QCOMPARE(s.colour(), 16711680);
    QVERIFY(s.music());
    QCOMPARE(f.forms->showState().musicPath, "/music/tune.mp3");
    QCOMPARE(s.folder(), f.dir());
    // The count after loading is the folder list's, in its plain words.
    QCOMPARE(s.count(), "Number of Files: 1");
    s.toggleSubfolders();
    QCOMPARE(s.count(), "Number of Files: 1");
    s.toggleSubfolders();
    QCOMPARE(s.count(), "No. of Files in Root: 1");
    // Maintain keeps the keep-ratio mark but disables it.
    s.setKeepRatio(true);
    s.setStretch(false);
    QVERIFY(!s.keepRatioEnabled());
    QVERIFY(s.keepRatio());

    // A damaged colour, or one the player would refuse, comes back black.
    for (const char* bad : {"16777216", "-5", "red", "-2147483600"}) {
        f.store("Colour", bad);
        s->close();
        s = f.openSetup();
        QVERIFY(s);
        QCOMPARE(s.colour(), 0);
    }
    f.store("Colour", "-2147483633"); // the button face is a colour
    s->close();
    s = f.openSetup();
    QCOMPARE(s.colour(), qint32(0x8000000F));
}

void SetupTest::runWritesTheFolderInNameOrder() {
    SetupFixture f;
    f.picture("b.bmp", Qt::blue);
    f.picture("a.jpg", Qt::red);
    f.textFile("c.txt");
    QVERIFY(QDir(f.dir()).mkpath("sub"));
    writeSolidPicture(f.path("sub/0.jpg"), Qt::green);
    f.store("Path", f.dir());
    f.store("Drive", "/");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.count(), "Number of Files: 2");
    s.delayBar()->setFocus();
    QTest::keyClick(s.delayBar(), Qt::Key_Home);
    QCOMPARE(s.delayText(), "Forever");
    QTest::keyClick(s.window(), Qt::Key_Return); // Enter presses the run button
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QVERIFY(!s->isVisible());
    QCOMPARE(f.tempShowLines(),
             (QStringList{"Strech=False", "Ratio=1", "Shuff=0", "Delay=0", "BackCol=0", "Loop=1", "Message=1",
                          "UseMusic=0", "Music=", f.path("a.jpg"), f.path("b.bmp")}));
    QCOMPARE(f.stored("Delay"), "0");
    QCOMPARE(f.stored("Path"), f.dir());
    QCOMPARE(f.stored("Display Mode"), "True");
    f.leaveShow();
}

void SetupTest::musicBoxByMouseOpensTheDialogAndCancelKeepsItChecked() {
    SetupFixture f;
    f.picture("a.jpg", Qt::red);
    f.store("Path", f.dir());
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    desktop::FileRequest asked;
    f.desktop.expectFileDialog([&](const desktop::FileRequest& r) {
        asked = r;
        return desktop::FileReply{};
    });
    s.clickMusic();
    f.desktop.verifyDone();
    QCOMPARE(asked.title, "Load Music File");
    QCOMPARE(asked.nameFilters.size(), 2);
    QVERIFY(s.music());
    // The keyboard toggles the box without a dialog (an unexpected dialog fails the test).
    s.musicBox()->setFocus();
    QTest::keyClick(s.musicBox(), Qt::Key_Space);
    QVERIFY(!s.music());
    QTest::keyClick(s.musicBox(), Qt::Key_Space);
    QVERIFY(s.music());

    // A music path that a show file cannot hold is refused when chosen.
    s.clickMusic(); // clears: no dialog
    f.desktop.expectFileDialog([](const desktop::FileRequest&) {
        return desktop::FileReply{true, {"/music/say \"hi\".mp3"}};
    });
    f.desktop.expectMessage("ERROR",
                            "The music file cannot be used: its path holds a double quote (\"), which a "
                            "show file cannot store.\n/music/say \"hi\".mp3",
                            desktop::Icon::Exclamation, desktop::Buttons::Ok);
    s.clickMusic();
    f.desktop.verifyDone();
    QCOMPARE(f.forms->showState().musicPath, QString());

    s.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    const QStringList lines = f.tempShowLines();
    QCOMPARE(lines.mid(7, 2), (QStringList{"UseMusic=1", "Music="}));
    QCOMPARE(f.stored("UseMusic"), "1");
    f.leaveShow();

    // A chosen file becomes the music path.
    s = f.openSetup();
    QVERIFY(s && s.music());
    s.clickMusic();
    f.desktop.expectFileDialog([](const desktop::FileRequest&) {
        return desktop::FileReply{true, {"/m/t.mp3"}};
    });
    s.clickMusic();
    f.desktop.verifyDone();
    QCOMPARE(f.forms->showState().musicPath, "/m/t.mp3");
}

void SetupTest::closeBoxStoresNothingAndShowsTheMenu() {
    SetupFixture f;
    f.store("Delay", "7");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    s.setDelay(20);
    s->close();
    QVERIFY(!f.forms->isLoaded(FormId::Setup));
    QTRY_VERIFY(f.forms->form(FormId::Menu)->isVisible());
    QCOMPARE(f.stored("Delay"), "7");
    s = f.openSetup();
    QCOMPARE(s.delay(), 7);
}

void SetupTest::emptyFolderStoresWarnsAndStays() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("empty"));
    f.store("Path", f.path("empty"));
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.count(), "Number of Files: 0");
    s.setDelay(20);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    s.run();
    f.desktop.verifyDone();
    QCOMPARE(f.stored("Delay"), "20");
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}

void SetupTest::picturesWithQuotesAreLeftOut() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("q"));
    writeSolidPicture(f.path("q/say \"cheese\".jpg"), Qt::red);
    f.store("Path", f.path("q"));
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    // Counted out, and the user told why once.
    QCOMPARE(s.count(), "Number of Files: 0");
    const QString leftOut = "1 picture was left out of the show because its path holds a double quote (\"), "
                            "which a Lumora file cannot store.";
    f.desktop.expectMessage("Lumora", leftOut, desktop::Icon::Information, desktop::Buttons::Ok);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    s.run();
    f.desktop.verifyDone();
    QVERIFY(!f.forms->isLoaded(FormId::Player));

    writeSolidPicture(f.path("q/plain.jpg"), Qt::red);
    s.chooseFolder(f.dir());
    s.chooseFolder(f.path("q"));
    QCOMPARE(s.count(), "Number of Files: 1");
    f.desktop.expectMessage("Lumora", leftOut, desktop::Icon::Information, desktop::Buttons::Ok);
    s.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    f.desktop.verifyDone();
    QCOMPARE(f.tempShowLines().mid(9), QStringList{f.path("q/plain.jpg")});
    f.leaveShow();
}

void SetupTest::unwritableShowFileWarnsAndStays() {
    SetupFixture f;
    f.picture("a.jpg", Qt::red);
    f.store("Path", f.dir());
    // Root writes everywhere: a folder standing at the file's name makes the write fail.
    const QString temp = program_folder::tempIniPath();
    QVERIFY(QDir().mkpath(temp));
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QString why;
    QVERIFY(!show_file::write(temp, ShowSettings(), {}, &why, show_file::Replace::TempShow));
    f.desktop.expectMessage("ERROR", "The show could not be started: " + why, desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    s.run();
    f.desktop.verifyDone();
    QVERIFY(QDir().rmdir(temp));
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

void SetupTest::volumeThatIsNotReadyIsReportedAndFallsBack() {
    SetupFixture f;
    f.desktop.volumeList = {{"/", true}, {"/media/cd", false}};
    f.store("Drive", "/media/cd");
    f.store("Path", "/media/cd/photos");
    f.desktop.expectMessage("Invaild Drive", "Drive /media/cd is not available!", desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    f.desktop.verifyDone();
    QCOMPARE(s.volume(), "/");
    // Choosing it later: the message, and the folder list stays where it was.
    const QString before = s.folder();
    f.desktop.expectMessage("Invaild Drive", "Drive /media/cd is not available!", desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    s.chooseVolume("/media/cd");
    f.desktop.verifyDone();
    QCOMPARE(s.folder(), before);
    QCOMPARE(s.volume(), "/media/cd");
    // A stored volume that is gone altogether falls back without a word.
    s->close();
    f.store("Drive", "/media/gone");
    s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.volume(), "/");
}

void SetupTest::paletteByMouseOrKeysGivesTheShowItsColour() {
    SetupFixture f;
    f.picture("a.jpg", Qt::red);
    f.store("Path", f.dir());
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    const QPoint red(2 + 2, 24 + 2);
    QTest::mouseMove(s.palette(), red);
    QTRY_COMPARE(s.colourUnderPointer(), "255");
    QTest::mouseClick(s.palette(), Qt::LeftButton, {}, red);
    QCOMPARE(s.colour(), 255);

    // From the keyboard: the palette comes after the delay in the tab order, with its cross-hair on
    // the chosen colour; Enter there chooses rather than runs.
    const auto press = [&s](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(s->focusWidget(), key, modifiers);
    };
    s.delayBar()->setFocus();
    press(Qt::Key_Tab);
    QCOMPARE(s->focusWidget(), s.palette());
    press(Qt::Key_Tab);
    QVERIFY(s->focusWidget() == s.maintainOption() || s->focusWidget() == s.stretchOption());
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(s->focusWidget(), s.palette());
    QCOMPARE(s.palette()->crossHair(), QPoint(2, 24));
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Return);
    const qint32 chosen = s.colour();
    QCOMPARE(chosen, palette::pixel(10, 24));
    QVERIFY(!f.forms->isLoaded(FormId::Player));

    s.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().value(4), "BackCol=" + QString::number(chosen));
    QCOMPARE(f.stored("Colour"), QString::number(chosen));
    f.leaveShow();
}

void SetupTest::controlsAreNamedAndPlaced() {
    SetupFixture f;
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s->windowTitle(), "Lumora from Folder Setup");
    QCOMPARE(s->size(), QSize(359, 377));
    QCOMPARE(s.runButton()->geometry(), QRect(6, 345, 316, 28));
    QCOMPARE(s.palette()->geometry(), QRect(21, 18, 103, 54));
    QCOMPARE(s.musicBox()->accessibleName(), "Background music");
    QVERIFY(!s.fileListShown());
    // Every control of the window can be found by the name a screen reader speaks.
    QStringList names;
    for (QWidget* w : s->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_") || !w->isVisible())
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QVERIFY(a);
        QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
        names << a->text(QAccessible::Name);
    }
    // On Linux a combo box is named by what it shows (Qt gives its own name as the description).
    QCOMPARE(QAccessible::queryAccessibleInterface(s.volumeList())->text(QAccessible::Description), "Drive");
    for (const char* name :
         {"/", "Folders", "Include Subfolders", "Number of Files: 0", "Maintain Dimentions",
          "Strech to Fullscreen", "Keep Ratio", "5 Seconds", "Delay", "Palette", "Colour under the pointer",
          "Chosen colour", "Shuffle", "Loop", "Display Pause Message", "Run Lumora", "Background music",
          "Select Folder", "Background Colour"})
        QVERIFY2(names.contains(name), qPrintable(name + (" not in " + names.join(", "))));
}

void SetupTest::keyboardOpensFoldersAndStepsTheDelay() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("inner"));
    writeSolidPicture(f.path("inner/0.jpg"), Qt::green);
    f.store("Path", f.dir());
    f.store("Drive", "/");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    // Enter in the folder list opens the highlighted folder rather than pressing the run button.
    s.folderList()->setFocus();
    QTest::keyClick(s.folderList(), Qt::Key_Down);
    QTest::keyClick(s.folderList(), Qt::Key_Return);
    QCOMPARE(s.folder(), f.path("inner"));
    QCOMPARE(s.count(), "Number of Files: 1");
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(s->isVisible());

    // Tabbed onto, the delay bar is marked as the lists are; a click leaves it as the style draws it.
    s.delayBar()->setFocus(Qt::MouseFocusReason);
    const QImage unmarked = s.delayBar()->grab().toImage();
    s.volumeList()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.delayBar());
    QVERIFY(s.delayBar()->grab().toImage() != unmarked);

    // The delay steps as the arrows point: Left and Up lower it, Right and Down raise it.
    s.delayBar()->setFocus();
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Left, 4},     {Qt::Key_Right, 5}, {Qt::Key_Right, 6},
                                             {Qt::Key_Up, 5},       {Qt::Key_Down, 6},  {Qt::Key_PageUp, 5},
                                             {Qt::Key_PageDown, 6}, {Qt::Key_Home, 0},  {Qt::Key_Left, 0}};
    for (const auto& [key, value] : steps) {
        QTest::keyClick(s.delayBar(), key);
        QCOMPARE(s.delay(), value);
    }
    QCOMPARE(s.delayText(), "Forever");

    // Enter in the open volume list chooses there and runs nothing.
    f.desktop.volumeList.append({f.path("inner"), true});
    s.volumeList()->setFocus();
    s.volumeList()->showPopup();
    QTRY_VERIFY(s.volumeList()->view()->isVisible());
    QTest::keyClick(s.volumeList()->view(), Qt::Key_Down);
    QTest::keyClick(s.volumeList()->view(), Qt::Key_Return);
    QTRY_VERIFY(!s.volumeList()->view()->isVisible());
    QCOMPARE(s.volume(), f.path("inner"));
    QVERIFY(!f.forms->isLoaded(FormId::Player));

    // On the folder already open, and elsewhere, Enter is the run button's.
    s.folderList()->setFocus();
    QTest::keyClick(s.folderList(), Qt::Key_Return);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    f.leaveShow();
}

void SetupTest::runPlaysTheFolderAsItIsNow() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("f"));
    writeSolidPicture(f.path("f/a.jpg"), Qt::red);
    writeSolidPicture(f.path("f/b.jpg"), Qt::green);
    f.store("Path", f.path("f"));
    f.store("Delay", "0");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.count(), "Number of Files: 2");
    // Changed behind the window's back: the run plays what the folder holds now.
    QVERIFY(QFile::remove(f.path("f/a.jpg")));
    writeSolidPicture(f.path("f/c.jpg"), Qt::blue);
    s.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().mid(9), (QStringList{f.path("f/b.jpg"), f.path("f/c.jpg")}));
    f.leaveShow();

    // Removed while shown: a warning, the window stays, and no show is written.
    s = f.openSetup();
    QVERIFY(s);
    QVERIFY(QDir(f.path("f")).removeRecursively());
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    s.run();
    f.desktop.verifyDone();
    QCOMPARE(s.count(), "Number of Files: 0");
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}

void SetupTest::droppedFolderIsOpenedAndCounted() {
    SetupFixture f;
    f.desktop.volumeList = {{QStringLiteral("/"), true}, {f.dir(), true}};
    QVERIFY(QDir().mkpath(f.path("trip/day one")));
    f.textFile("trip/b.jpg");
    f.textFile("trip/A.GIF");
    f.textFile("trip/notes.txt");
    f.textFile("trip/day one/c.jpg");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    const QString before = s.folder();

    // Only a folder is taken: files alone are not.
    QVERIFY(!file_drops::drop(s.runButton(), QPoint(5, 5), *file_drops::files({f.path("trip/b.jpg")})));
    QCOMPARE(s.folder(), before);

    // The first folder dropped anywhere on the window opens, and the volume list and count follow.
    const auto dropped = file_drops::files({f.path("trip/b.jpg"), f.path("trip"), f.path("trip/day one")});
    QVERIFY(file_drops::drop(s.folderList()->viewport(), QPoint(10, 10), *dropped));
    QCOMPARE(s.folder(), f.path("trip"));
    QCOMPARE(s.volume(), f.dir());
    QCOMPARE(s.count(), "Number of Files: 2");
    QCOMPARE(s.files(), (QStringList{"A.GIF", "b.jpg"}));

    // The same folder again is counted afresh.
    f.textFile("trip/d.bmp");
    QVERIFY(file_drops::drop(s.palette(), QPoint(3, 3), *file_drops::files({f.path("trip")})));
    QCOMPARE(s.count(), "Number of Files: 3");
}

void SetupTest::movedWindowStaysWhereTheUserPutIt() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("empty/below"));
    f.store("Path", f.path("empty"));
    f.store("Sub Dirs", "1");
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, s->size(),
                                              QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(s->geometry(), centred);
    const QPoint moved = s->pos() + QPoint(-40, 25);
    s->move(moved);

    // A search that finds nothing brings the window back where the user left it, as does showing it.
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    s.run();
    QTRY_VERIFY(!f.forms->isLoaded(FormId::Search) && s->isVisible());
    f.desktop.verifyDone();
    QCOMPARE(s->pos(), moved);
    f.forms->hide(FormId::Setup);
    f.forms->show(FormId::Setup);
    QCOMPARE(s->pos(), moved);

    // Opened afresh, it is centred again.
    s->close();
    s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s->geometry(), centred);
}

void SetupTest::folderLastUsedOnAVolumeOutlivesTheWindow() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("home"));
    QVERIFY(QDir(f.dir()).mkpath("usb/photos"));
    f.desktop.volumeList = {{"/", true}, {f.path("usb"), true}};
    f.store("Drive", "/");
    f.store("Path", f.path("home"));
    SetupDriver s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.folder(), f.path("home"));
    s.chooseFolder(f.path("usb/photos"));
    QCOMPARE(s.volume(), f.path("usb"));
    s.chooseVolume("/");
    QCOMPARE(s.folder(), f.path("home"));

    // Closed and opened again: the volume still opens on the folder last used on it in this run.
    s->close();
    s = f.openSetup();
    QVERIFY(s);
    QCOMPARE(s.folder(), f.path("home"));
    s.chooseVolume(f.path("usb"));
    QCOMPARE(s.folder(), f.path("usb/photos"));
    QCOMPARE(s.count(), "Number of Files: 0");
}

QTEST_MAIN(SetupTest)
#include "test_setup.moc"
