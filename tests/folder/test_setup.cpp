#include "ShowFixture.h"
#include "app/MENU_Frm.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/MouseUpButton.h"
#include "controls/PalettePicker.h"
#include "controls/PictureButton.h"
#include "controls/VolumeList.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/ProgramFolder.h"
#include "player/Main_Frm.h"
#include "show/SettingsStore.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

namespace {

const QString App = QString::fromLatin1(settings::MenuApp);

void clearStore() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MenuApp).clear();
}

void store(const QString& key, const QString& value) {
    settings::SaveSetting(App, settings::Section, key, value);
}

QString stored(const QString& key) {
    return settings::GetSetting(App, settings::Section, key, QStringLiteral("absent"));
}

// The program as a user starts it, with the setup window opened from the menu's folder button.
Setup_Frm* openSetup(ShowFixture& f) {
    f.forms->start();
    auto* menu = static_cast<MENU_Frm*>(f.forms->form(FormId::Menu));
    if (!menu || !QTest::qWaitForWindowActive(menu))
        qFatal("the menu never became active");
    QTest::mouseClick(menu->Open_Folder_Btn, Qt::LeftButton);
    auto* setup = static_cast<Setup_Frm*>(f.forms->form(FormId::Setup));
    if (!setup || !QTest::qWaitForWindowActive(setup))
        return nullptr;
    return setup;
}

// The folder show the run wrote: its raw lines without quotes.
QStringList tempShowLines() {
    QFile f(program_folder::tempIniPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.isEmpty())
            lines << QString::fromUtf8(line.trimmed()).remove(u'"');
    }
    return lines;
}

// Leaves a playing show with Escape: the menu comes back.
void leaveShow(ShowFixture& f) {
    Main_Frm* player = f.forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QTest::keyClick(player, Qt::Key_Escape);
    QTRY_VERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!f.forms->isLoaded(FormId::Setup));
    QTRY_VERIFY(f.forms->form(FormId::Menu) && f.forms->form(FormId::Menu)->isVisible());
}

} // namespace

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        clearStore();
        QFile::remove(program_folder::tempIniPath());
    }
    void emptyStoreGivesTheDefaults();
    void restoredStateRunsChangeHandling();
    void runWritesTheFolderInNameOrder();
    void musicBoxByMouseOpensTheDialogAndCancelKeepsItChecked();
    void closeBoxStoresNothingAndShowsTheMenu();
    void emptyFolderStoresWarnsAndStays();
    void picturesWithQuotesAreLeftOut();
    void unwritableShowFileWarnsAndStays();
    void volumeThatIsNotReadyIsReportedAndFallsBack();
    void paletteClickGivesTheShowItsColour();
    void controlsAreNamedAndPlaced();
    void keyboardOpensFoldersAndStepsTheDelay();
    void runPlaysTheFolderAsItIsNow();
    void movedWindowStaysWhereTheUserPutIt();
    void folderLastUsedOnAVolumeOutlivesTheWindow();
};

void SetupTest::emptyStoreGivesTheDefaults() {
    ShowFixture f;
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QVERIFY(!f.forms->form(FormId::Menu)->isVisible());
    QVERIFY(s->Maintain_Opt->isChecked());
    QVERIFY(s->Ratio_Chk->isChecked());
    QVERIFY(!s->Ratio_Chk->isEnabled());
    QCOMPARE(s->Delay_Scroll->value(), 5);
    QCOMPARE(s->Delay_Lbl->text(), "5 Seconds");
    QVERIFY(s->Loop_Chk->isChecked());
    QVERIFY(!s->Shuff_Chk->isChecked());
    QVERIFY(s->Message_Chk->isChecked());
    QVERIFY(!s->Subs_Chk->isChecked());
    QCOMPARE(s->Picker->chosenColour(), 0);
    QVERIFY(!s->Music_Chk->isChecked());
    QCOMPARE(f.forms->showState().musicPath, QString());
    // No Pictures folder in the test's home: the home folder, without a message.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(s->Dir1->path(), QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
    QCOMPARE(s->Drive1->text(), "/");
    QVERIFY(s->Num_Files_Lbl->text().startsWith("Number of Files: "));
}

void SetupTest::restoredStateRunsChangeHandling() {
    ShowFixture f;
    f.picture("one.jpg", Qt::red);
    store("Display Mode", "False");
    store("Keep Ratio", "0");
    store("Delay", "1");
    store("Sub Dirs", "1");
    store("Colour", "16711680");
    store("UseMusic", "1");
    store("MusicPath", "/music/tune.mp3");
    store("Drive", "/");
    store("Path", f.dir());
    Setup_Frm* s = openSetup(f); // the music box restored checked opens no dialog
    QVERIFY(s);
    QVERIFY(s->Strech_Opt->isChecked());
    QVERIFY(s->Ratio_Chk->isEnabled());
    QVERIFY(!s->Ratio_Chk->isChecked());
    QCOMPARE(s->Delay_Lbl->text(), "1 Second");
    QVERIFY(s->Subs_Chk->isChecked());
    QCOMPARE(s->Picker->chosenColour(), 16711680);
    QVERIFY(s->Music_Chk->isChecked());
    QCOMPARE(f.forms->showState().musicPath, "/music/tune.mp3");
    QCOMPARE(s->Dir1->path(), f.dir());
    // The count after loading is the folder list's, in its plain words.
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 1");
    QTest::mouseClick(s->Subs_Chk, Qt::LeftButton);
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 1");
    QTest::mouseClick(s->Subs_Chk, Qt::LeftButton);
    QCOMPARE(s->Num_Files_Lbl->text(), "No. of Files in Root: 1");
    // Maintain keeps the keep-ratio mark but disables it.
    s->Ratio_Chk->setChecked(true);
    QTest::mouseClick(s->Maintain_Opt, Qt::LeftButton);
    QVERIFY(!s->Ratio_Chk->isEnabled());
    QVERIFY(s->Ratio_Chk->isChecked());

    // A damaged colour, or one the player would refuse, comes back black.
    for (const char* bad : {"16777216", "-5", "red", "-2147483600"}) {
        store("Colour", bad);
        s->close();
        s = openSetup(f);
        QVERIFY(s);
        QCOMPARE(s->Picker->chosenColour(), 0);
    }
    store("Colour", "-2147483633"); // the button face is a colour
    s->close();
    s = openSetup(f);
    QCOMPARE(s->Picker->chosenColour(), qint32(0x8000000F));
}

void SetupTest::runWritesTheFolderInNameOrder() {
    ShowFixture f;
    f.picture("b.bmp", Qt::blue);
    f.picture("a.jpg", Qt::red);
    f.textFile("c.txt");
    QVERIFY(QDir(f.dir()).mkpath("sub"));
    writeSolidPicture(f.path("sub/0.jpg"), Qt::green);
    store("Path", f.dir());
    store("Drive", "/");
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 2");
    s->Delay_Scroll->setFocus();
    QTest::keyClick(s->Delay_Scroll, Qt::Key_Home);
    QCOMPARE(s->Delay_Lbl->text(), "Forever");
    QTest::keyClick(s, Qt::Key_Return); // Enter presses the run button
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QVERIFY(!s->isVisible());
    QCOMPARE(tempShowLines(),
             (QStringList{"Strech=False", "Ratio=1", "Shuff=0", "Delay=0", "BackCol=0", "Loop=1", "Message=1",
                          "UseMusic=0", "Music=", f.path("a.jpg"), f.path("b.bmp")}));
    QCOMPARE(stored("Delay"), "0");
    QCOMPARE(stored("Path"), f.dir());
    QCOMPARE(stored("Display Mode"), "True");
    leaveShow(f);
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}

void SetupTest::musicBoxByMouseOpensTheDialogAndCancelKeepsItChecked() {
    ShowFixture f;
    f.picture("a.jpg", Qt::red);
    store("Path", f.dir());
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    desktop::FileRequest asked;
    f.desktop.expectFileDialog([&](const desktop::FileRequest& r) {
        asked = r;
        return desktop::FileReply{};
    });
    QTest::mouseClick(s->Music_Chk, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(asked.title, "Load Music File");
    QCOMPARE(asked.nameFilters.size(), 2);
    QVERIFY(s->Music_Chk->isChecked());
    // The keyboard toggles the box without a dialog (an unexpected dialog fails the test).
    s->Music_Chk->setFocus();
    QTest::keyClick(s->Music_Chk, Qt::Key_Space);
    QVERIFY(!s->Music_Chk->isChecked());
    QTest::keyClick(s->Music_Chk, Qt::Key_Space);
    QVERIFY(s->Music_Chk->isChecked());

    // A music path that a show file cannot hold is refused when chosen.
    QTest::mouseClick(s->Music_Chk, Qt::LeftButton); // clears: no dialog
    f.desktop.expectFileDialog([](const desktop::FileRequest&) {
        return desktop::FileReply{true, {"/music/say \"hi\".mp3"}};
    });
    f.desktop.expectMessage("ERROR",
                            "The music file cannot be used: its path holds a double quote (\"), which a "
                            "show file cannot store.\n/music/say \"hi\".mp3",
                            desktop::Icon::Exclamation, desktop::Buttons::Ok);
    QTest::mouseClick(s->Music_Chk, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(f.forms->showState().musicPath, QString());

    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    const QStringList lines = tempShowLines();
    QCOMPARE(lines.mid(7, 2), (QStringList{"UseMusic=1", "Music="}));
    QCOMPARE(stored("UseMusic"), "1");
    leaveShow(f);

    // A chosen file becomes the music path.
    s = openSetup(f);
    QVERIFY(s && s->Music_Chk->isChecked());
    QTest::mouseClick(s->Music_Chk, Qt::LeftButton);
    f.desktop.expectFileDialog([](const desktop::FileRequest&) {
        return desktop::FileReply{true, {"/m/t.mp3"}};
    });
    QTest::mouseClick(s->Music_Chk, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(f.forms->showState().musicPath, "/m/t.mp3");
}

void SetupTest::closeBoxStoresNothingAndShowsTheMenu() {
    store("Delay", "7");
    ShowFixture f;
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    s->Delay_Scroll->setValue(20);
    s->close();
    QVERIFY(!f.forms->isLoaded(FormId::Setup));
    QTRY_VERIFY(f.forms->form(FormId::Menu)->isVisible());
    QCOMPARE(stored("Delay"), "7");
    s = openSetup(f);
    QCOMPARE(s->Delay_Scroll->value(), 7);
}

void SetupTest::emptyFolderStoresWarnsAndStays() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("empty"));
    store("Path", f.path("empty"));
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 0");
    s->Delay_Scroll->setValue(20);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(stored("Delay"), "20");
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}

void SetupTest::picturesWithQuotesAreLeftOut() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("q"));
    writeSolidPicture(f.path("q/say \"cheese\".jpg"), Qt::red);
    store("Path", f.path("q"));
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    // Counted out, and the user told why once.
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 0");
    const QString leftOut = "1 picture was left out of the show because its path holds a double quote (\"), "
                            "which a Lumora file cannot store.";
    f.desktop.expectMessage("Lumora", leftOut, desktop::Icon::Information, desktop::Buttons::Ok);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QVERIFY(!f.forms->isLoaded(FormId::Player));

    writeSolidPicture(f.path("q/plain.jpg"), Qt::red);
    s->Dir1->setPath(f.dir());
    s->Dir1->setPath(f.path("q"));
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 1");
    f.desktop.expectMessage("Lumora", leftOut, desktop::Icon::Information, desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    f.desktop.verifyDone();
    QCOMPARE(tempShowLines().mid(9), QStringList{f.path("q/plain.jpg")});
    leaveShow(f);
}

void SetupTest::unwritableShowFileWarnsAndStays() {
    ShowFixture f;
    f.picture("a.jpg", Qt::red);
    store("Path", f.dir());
    // Root writes everywhere: a folder standing at the file's name makes the write fail.
    const QString temp = program_folder::tempIniPath();
    QVERIFY(QDir().mkpath(temp));
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QString why;
    QVERIFY(!show_file::write(temp, ShowSettings(), {}, &why, show_file::Replace::TempShow));
    f.desktop.expectMessage("ERROR", "The show could not be started: " + why, desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QVERIFY(QDir().rmdir(temp));
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

void SetupTest::volumeThatIsNotReadyIsReportedAndFallsBack() {
    ShowFixture f;
    f.desktop.volumeList = {{"/", true}, {"/media/cd", false}};
    store("Drive", "/media/cd");
    store("Path", "/media/cd/photos");
    f.desktop.expectMessage("Invaild Drive", "Drive /media/cd is not available!", desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    f.desktop.verifyDone();
    QCOMPARE(s->Drive1->text(), "/");
    // Choosing it later: the message, and the folder list stays where it was.
    const QString before = s->Dir1->path();
    f.desktop.expectMessage("Invaild Drive", "Drive /media/cd is not available!", desktop::Icon::Critical,
                            desktop::Buttons::Ok);
    s->Drive1->choose("/media/cd");
    f.desktop.verifyDone();
    QCOMPARE(s->Dir1->path(), before);
    QCOMPARE(s->Drive1->text(), "/media/cd");
    // A stored volume that is gone altogether falls back without a word.
    s->close();
    store("Drive", "/media/gone");
    s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Drive1->text(), "/");
}

void SetupTest::paletteClickGivesTheShowItsColour() {
    ShowFixture f;
    f.picture("a.jpg", Qt::red);
    store("Path", f.dir());
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    const QPoint red(2 + 2, 24 + 2);
    QTest::mouseMove(s->Picker->Pal, red);
    QTRY_COMPARE(s->Picker->txCol(), "255");
    QTest::mouseClick(s->Picker->Pal, Qt::LeftButton, {}, red);
    QCOMPARE(s->Picker->chosenColour(), 255);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(tempShowLines().value(4), "BackCol=255");
    QCOMPARE(stored("Colour"), "255");
    leaveShow(f);
}

void SetupTest::controlsAreNamedAndPlaced() {
    ShowFixture f;
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->windowTitle(), "Lumora from Folder Setup");
    QCOMPARE(s->size(), QSize(359, 377));
    QCOMPARE(s->Run_btn->geometry(), QRect(6, 345, 316, 28));
    QCOMPARE(s->Picker->Pal->geometry(), QRect(21, 18, 103, 54));
    QCOMPARE(s->Music_Chk->accessibleName(), "Background music");
    QVERIFY(!s->File1->isVisible());
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
    QCOMPARE(QAccessible::queryAccessibleInterface(s->Drive1)->text(QAccessible::Description), "Drive");
    for (const char* name :
         {"/", "Folders", "Include Subfolders", "Number of Files: 0", "Maintain Dimentions",
          "Strech to Fullscreen", "Keep Ratio", "5 Seconds", "Delay", "Palette", "Colour under the pointer",
          "Chosen colour", "Shuffle", "Loop", "Display Pause Message", "Run Lumora", "Background music",
          "Select Folder", "Background Colour"})
        QVERIFY2(names.contains(name), qPrintable(name + (" not in " + names.join(", "))));
}

void SetupTest::keyboardOpensFoldersAndStepsTheDelay() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("inner"));
    writeSolidPicture(f.path("inner/0.jpg"), Qt::green);
    store("Path", f.dir());
    store("Drive", "/");
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    // Enter in the folder list opens the highlighted folder rather than pressing the run button.
    s->Dir1->setFocus();
    QTest::keyClick(s->Dir1, Qt::Key_Down);
    QTest::keyClick(s->Dir1, Qt::Key_Return);
    QCOMPARE(s->Dir1->path(), f.path("inner"));
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 1");
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(s->isVisible());

    // The delay steps as the arrows point: Left and Up lower it, Right and Down raise it.
    s->Delay_Scroll->setFocus();
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Left, 4},     {Qt::Key_Right, 5}, {Qt::Key_Right, 6},
                                             {Qt::Key_Up, 5},       {Qt::Key_Down, 6},  {Qt::Key_PageUp, 5},
                                             {Qt::Key_PageDown, 6}, {Qt::Key_Home, 0},  {Qt::Key_Left, 0}};
    for (const auto& [key, value] : steps) {
        QTest::keyClick(s->Delay_Scroll, key);
        QCOMPARE(s->Delay_Scroll->value(), value);
    }
    QCOMPARE(s->Delay_Lbl->text(), "Forever");

    // On the folder already open, and elsewhere, Enter is the run button's.
    s->Dir1->setFocus();
    QTest::keyClick(s->Dir1, Qt::Key_Return);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    leaveShow(f);
}

void SetupTest::runPlaysTheFolderAsItIsNow() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("f"));
    writeSolidPicture(f.path("f/a.jpg"), Qt::red);
    writeSolidPicture(f.path("f/b.jpg"), Qt::green);
    store("Path", f.path("f"));
    store("Delay", "0");
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 2");
    // Changed behind the window's back: the run plays what the folder holds now.
    QVERIFY(QFile::remove(f.path("f/a.jpg")));
    writeSolidPicture(f.path("f/c.jpg"), Qt::blue);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(tempShowLines().mid(9), (QStringList{f.path("f/b.jpg"), f.path("f/c.jpg")}));
    leaveShow(f);

    // Removed while shown: a warning, the window stays, and no show is written.
    s = openSetup(f);
    QVERIFY(s);
    QVERIFY(QDir(f.path("f")).removeRecursively());
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    f.desktop.verifyDone();
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 0");
    QVERIFY(s->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}

void SetupTest::movedWindowStaysWhereTheUserPutIt() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("empty/below"));
    store("Path", f.path("empty"));
    store("Sub Dirs", "1");
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, s->size(),
                                              QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(s->geometry(), centred);
    const QPoint moved = s->pos() + QPoint(-40, 25);
    s->move(moved);

    // A search that finds nothing brings the window back where the user left it, as does showing it.
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::mouseClick(s->Run_btn, Qt::LeftButton);
    QTRY_VERIFY(!f.forms->isLoaded(FormId::Search) && s->isVisible());
    f.desktop.verifyDone();
    QCOMPARE(s->pos(), moved);
    f.forms->hide(FormId::Setup);
    f.forms->show(FormId::Setup);
    QCOMPARE(s->pos(), moved);

    // Opened afresh, it is centred again.
    s->close();
    s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->geometry(), centred);
}

void SetupTest::folderLastUsedOnAVolumeOutlivesTheWindow() {
    ShowFixture f;
    QVERIFY(QDir(f.dir()).mkpath("home"));
    QVERIFY(QDir(f.dir()).mkpath("usb/photos"));
    f.desktop.volumeList = {{"/", true}, {f.path("usb"), true}};
    store("Drive", "/");
    store("Path", f.path("home"));
    Setup_Frm* s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Dir1->path(), f.path("home"));
    s->Dir1->setPath(f.path("usb/photos"));
    QCOMPARE(s->Drive1->text(), f.path("usb"));
    s->Drive1->choose("/");
    QCOMPARE(s->Dir1->path(), f.path("home"));

    // Closed and opened again: the volume still opens on the folder last used on it in this run.
    s->close();
    s = openSetup(f);
    QVERIFY(s);
    QCOMPARE(s->Dir1->path(), f.path("home"));
    s->Drive1->choose(f.path("usb"));
    QCOMPARE(s->Dir1->path(), f.path("usb/photos"));
    QCOMPARE(s->Num_Files_Lbl->text(), "Number of Files: 0");
}

QTEST_MAIN(SetupTest)
#include "test_setup.moc"
