#include "FileDrops.h"
#include "MakerDriver.h"
#include "MenuDriver.h"
#include "PlayerDriver.h"
#include "ShowFixture.h"
#include "app/MENU_Frm.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/PalettePicker.h"
#include "controls/PictureButton.h"
#include "controls/VolumeList.h"
#include "forms/Forms.h"
#include "maker/InsertMark.h"
#include "maker/ListDrop.h"
#include "maker/ListMoves.h"
#include "maker/Maker_Frm.h"
#include "maker/PictureListModel.h"
#include "platform/NativeName.h"
#include "platform/ProgramFolder.h"
#include "player/Main_Frm.h"
#include "show/SettingsStore.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using desktop::Answer;
using desktop::Buttons;
using desktop::FileReply;
using desktop::FileRequest;
using desktop::Icon;

namespace {

const QString MakerTitle = QStringLiteral("Lumora Maker");
const QString CloseQuestion = QStringLiteral("The show has changed since it was last saved.\r\n\r\n"
                                             "Do you want to save the current Lumora before closing?");

void forgetSettings() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MakerApp).clear();
}

QString stored(const char* key) {
    return settings::GetSetting(settings::MakerApp, settings::Section, key, "absent");
}

// Opens the maker from the menu's button, as the user does.
MakerDriver openMaker(ShowFixture& f) {
    f.start();
    auto* menu = f.forms->as<MENU_Frm>(FormId::Menu);
    if (!menu)
        qFatal("no menu");
    MenuDriver(menu).makeShow();
    auto* maker = f.forms->as<Maker_Frm>(FormId::Maker);
    if (!maker || !QTest::qWaitForWindowExposed(maker))
        qFatal("the maker never came up");
    return MakerDriver(maker);
}

// The maker browsing `folder`.
MakerDriver makerOn(ShowFixture& f, const QString& folder) {
    MakerDriver maker = openMaker(f);
    if (!maker.browse(folder))
        qFatal("cannot browse %s", qPrintable(folder));
    return maker;
}

FileReply chose(const QString& path) {
    return {true, {path}, 0};
}

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MakerTest : public QObject {
    Q_OBJECT

    ShowFixture* f_ = nullptr;
    ScriptedDesktop& desktop() { return f_->desktop; }

    void saveAs(const QString& name, Answer runNow = Answer::No);
    void expectSaveDialog(const QString& name);
    void expectSaved(const QString& written, Answer runNow = Answer::No);

private slots:
    void init();
    void cleanup();

    void opensFromTheMenuWithItsDefaultsAndClosesBackToIt();
    void settingsSurviveACloseAndAReopenWithAnEmptyList();
    void aRememberedFolderThatIsGoneOpensTheDefaultSilently();
    void anUnusableVolumeIsReportedAndChangesNothing();
    void addsInFileListOrderAndRefusesQuotedNames();
    void removalAsksAndOnlyYesRemoves();
    void droppedFilesAndFoldersLandWhereTheMarkShows();
    void moveButtonsBeepAtTheEnds();
    void previewFollowsFilesAndEntriesAndThumbnailsSwitch();
    void savesUnderTheRightNameWithTwelveLines();
    void saveAndLoadRoundTripListAndOptions();
    void loadTakesOddFieldsAsPicturesAndReportsBadFiles();
    void questionBeforeLoadingAndCancelledDialogs();
    void failedSaveLeavesTheOldFileAsItWas();
    void savedShowPlaysFromTheQuestion();
    void closingAChangedListAsksFirst();
    void toolbarTogglesMirrorTheHiddenBoxes();
    void everyActionByTheKeyboardAlone();
    void displayModeDelayAndMusicOptions();
    void clearAsksAndPreviewPlaysTheListAndComesBack();
    void previewThatCannotSaveOrPlayItsMusicStaysInTheMaker();
    void arrangingFitsTheToolbarOnce();
    void namesThatAreNotUtf8AreListedAddedAndSavedByteForByte();
    void countFollowsEveryChangeOfTheList();
    void longPathsShowTheirFileNames();
};

void MakerTest::init() {
    forgetSettings();
    f_ = new ShowFixture;
}

void MakerTest::cleanup() {
    desktop().verifyDone();
    delete f_;
    f_ = nullptr;
    QFile::remove(program_folder::tempLmrPath());
}

void MakerTest::saveAs(const QString& name, Answer runNow) {
    expectSaveDialog(name);
    const QString written = name.endsWith(QLatin1String(".lmr"), Qt::CaseInsensitive) ? name : name + ".lmr";
    expectSaved(written, runNow);
}

void MakerTest::expectSaveDialog(const QString& name) {
    desktop().expectFileDialog([name](const FileRequest& r) {
        if (!r.save || r.title != QLatin1String("Save Lumora File"))
            qFatal("not the save dialog");
        return chose(name);
    });
}

void MakerTest::expectSaved(const QString& written, Answer runNow) {
    desktop().expectMessage(MakerTitle,
                            "Successfully saved file...\r\n\r\n" + written +
                                "\r\n\r\nWould you like to run this Lumora now?",
                            Icon::Question, Buttons::YesNo, runNow);
}

void MakerTest::opensFromTheMenuWithItsDefaultsAndClosesBackToIt() {
    MakerDriver m = openMaker(*f_);
    QVERIFY(!f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QCOMPARE(m->windowTitle(), "10. Lumora Maker v0.4b by Corvath");
    QVERIFY(m.maintained());
    QVERIFY(m.keepRatio() && !m.keepRatioEnabled());
    QCOMPARE(m.delayText(), "5 Seconds");
    QCOMPARE(m.count(), "0");
    QVERIFY(m.looped() && m->toolbarButton("Loop")->isChecked());
    QVERIFY(!m.shuffled() && !m->toolbarButton("Shuffle")->isChecked());
    QVERIFY(m.pauseMessage() && m->toolbarButton("Message")->isChecked());
    QVERIFY(m.thumbnails() && m.thumbnailShown() && !m.emptyFrameShown());
    QVERIFY(!m.music() && !m.musicField()->isEnabled() && !m.musicButton()->isEnabled());
    QCOMPARE(m.colour(), 0);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(m.folder(), QDir(pictures).exists() ? pictures : QDir::homePath());
    // Every control can be found by name.
    for (QWidget* w : m->findChildren<QWidget*>())
        if (w->isVisibleTo(m.window()) && !qobject_cast<QLabel*>(w) && w->focusPolicy() != Qt::NoFocus)
            QVERIFY2(!w->accessibleName().isEmpty() || !w->property("text").toString().isEmpty(),
                     qPrintable(w->objectName()));

    m->close();
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QCOMPARE(stored("Display Mode"), "True");
    QCOMPARE(stored("Delay"), "5");
    QCOMPARE(stored("Preview"), "1");
}

void MakerTest::settingsSurviveACloseAndAReopenWithAnEmptyList() {
    const QString folder = f_->path("pics");
    QVERIFY(QDir().mkpath(folder));
    f_->picture("pics/a.jpg", Qt::red);
    MakerDriver m = makerOn(*f_, folder);
    m.setStretch(true);
    m.setKeepRatio(false);
    m.setDelay(20);
    m.givenColour(255);
    m.toolbar("Loop");
    m.toolbar("Shuffle");
    m.setThumbnails(false);
    m.clickFile(0);
    m.add();
    desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, Answer::No);
    m->close();
    QCOMPARE(stored("Display Mode"), "False");
    QCOMPARE(stored("Colour"), "255");
    QCOMPARE(stored("Path"), folder);

    m = openMaker(*f_);
    QVERIFY(m.stretched() && m.keepRatioEnabled() && !m.keepRatio());
    QCOMPARE(m.delay(), 20);
    QCOMPARE(m.delayText(), "20 Seconds");
    QCOMPARE(m.colour(), 255);
    QVERIFY(!m.looped() && !m->toolbarButton("Loop")->isChecked());
    QVERIFY(m.shuffled() && m->toolbarButton("Shuffle")->isChecked());
    QVERIFY(!m.thumbnails() && !m.thumbnailShown() && m.emptyFrameShown());
    QCOMPARE(m.folder(), folder);
    QCOMPARE(m.files(), QStringList{"a.jpg"});
    QCOMPARE(m.entryCount(), 0);
    QCOMPARE(m.count(), "0");
}

void MakerTest::aRememberedFolderThatIsGoneOpensTheDefaultSilently() {
    settings::SaveSetting(settings::MakerApp, settings::Section, "Path", f_->path("gone"));
    settings::SaveSetting(settings::MakerApp, settings::Section, "Colour", "16777216"); // no colour at all
    MakerDriver m = openMaker(*f_);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(m.folder(), QDir(pictures).exists() ? pictures : QDir::homePath());
    QCOMPARE(m.colour(), 0);
    QVERIFY(desktop().shownBoxes.isEmpty());
}

void MakerTest::anUnusableVolumeIsReportedAndChangesNothing() {
    desktop().volumeList = {{QStringLiteral("/"), true}, {f_->path("dead"), false}};
    MakerDriver m = makerOn(*f_, f_->dir());
    m.refreshVolumes();
    desktop().expectMessage("ERROR", "Invaild drive " + f_->path("dead") + ".", Icon::Critical, Buttons::Ok);
    QVERIFY(m.chooseVolume(f_->path("dead")));
    QCOMPARE(m.folder(), f_->dir());
    QCOMPARE(m.volume(), f_->path("dead"));
}

void MakerTest::addsInFileListOrderAndRefusesQuotedNames() {
    // Only names matter here: Qt writes no GIFs, and nothing is decoded.
    for (const char* name : {"c.gif", "a.jpg", "b.bmp"})
        f_->textFile(name);
    f_->textFile("notes.txt");
    MakerDriver m = makerOn(*f_, f_->dir());
    QCOMPARE(m.files(), (QStringList{"a.jpg", "b.bmp", "c.gif"}));
    QCOMPARE(m.fileList()->selectionMode(), QAbstractItemView::ExtendedSelection);

    m.add({"c.gif", "a.jpg", "b.bmp"});
    QCOMPARE(m.entries(), (QStringList{f_->path("a.jpg"), f_->path("b.bmp"), f_->path("c.gif")}));
    QCOMPARE(m.count(), "3");
    // A screen reader reads a label by its name: the count and the delay, not fixed words.
    QCOMPARE(QAccessible::queryAccessibleInterface(m.countLabel())->text(QAccessible::Name), "3");
    QCOMPARE(QAccessible::queryAccessibleInterface(m.delayLabel())->text(QAccessible::Name), "5 Seconds");
    QCOMPARE(m.previewed(), f_->path("c.gif"));

    // A double-click adds the file under the pointer, again and again.
    m.doubleClickFile(1);
    m.doubleClickFile(1);
    QCOMPARE(m.entries().mid(3), (QStringList{f_->path("b.bmp"), f_->path("b.bmp")}));
    QCOMPARE(m.count(), "5");

    // Nothing selected adds nothing; a name a show file cannot hold is refused, the rest is added.
    m.selectFiles({});
    m.add();
    QCOMPARE(m.entryCount(), 5);
    f_->textFile("say \"cheese\".jpg");
    const QByteArray latin1 = QFile::encodeName(f_->dir()) + "/caf\xe9.jpg";
    QVERIFY(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)) == 0);
    m.fileList()->setPath(f_->dir());
    m.selectFiles({"a.jpg", "say \"cheese\".jpg"});
    desktop().expectMessage(
        MakerTitle,
        "A Lumora file cannot hold a name with a double quote (\") in it, so these pictures "
        "were not added:\r\n\r\n" +
            f_->path("say \"cheese\".jpg"),
        Icon::Exclamation, Buttons::Ok);
    m.add();
    QCOMPARE(m.entries().mid(5), QStringList{f_->path("a.jpg")});
    QCOMPARE(m.count(), "6");
}

void MakerTest::removalAsksAndOnlyYesRemoves() {
    MakerDriver m = openMaker(*f_);
    m.given({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    m->Update_Count();
    m.setThumbnails(false);
    const QString question =
        "Do you really want to remove the file..\r\n\r\n/p/b.jpg\r\n\r\nfrom the loaded images list?";
    for (Answer answer : {Answer::No, Answer::Cancel, Answer::Yes}) {
        m.selectEntry(1);
        desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, answer);
        m.doubleClickEntry(1);
        QVERIFY(!desktop().pendingBoxes());
    }
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(m.count(), "2");
    // Nothing is chosen afterwards, so the arrow buttons do nothing until the user picks an entry.
    QCOMPARE(m.selectedEntry(), -1);
    m.down();
    m.up();
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(desktop().beeps, 0);

    // Delete in the list asks the same question; only Yes removes, and nothing is chosen after it.
    // A name that is not UTF-8 is asked about as best it can be shown.
    m.given({native_name::decode("/p/d\xe9.jpg")});
    m.pictureList()->setFocus();
    m.pressDelete(); // nothing chosen: nothing asked
    for (Answer answer : {Answer::No, Answer::Yes}) {
        m.selectEntry(2);
        desktop().expectMessage(MakerTitle,
                                "Do you really want to remove the file..\r\n\r\n/p/d\uFFFD.jpg\r\n\r\nfrom "
                                "the loaded images list?",
                                Icon::Question, Buttons::YesNoCancel, answer);
        m.pressDelete();
        QVERIFY(!desktop().pendingBoxes());
    }
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(m.count(), "2");
    QCOMPARE(m.selectedEntry(), -1);
    // With no entry selected a double-click asks nothing.
    m.pictureList()->clearSelection();
    m.model().clear();
    m.doubleClickListAt(QPoint(5, 5));
}

void MakerTest::droppedFilesAndFoldersLandWhereTheMarkShows() {
    f_->textFile("a.jpg");
    f_->textFile("b.BMP");
    f_->textFile("notes.txt");
    QVERIFY(QDir().mkpath(f_->path("pics/inner")));
    for (const char* name : {"pics/y.jpg", "pics/X.gif", "pics/readme.txt", "pics/inner/z.jpg"})
        f_->textFile(name);
    MakerDriver m = openMaker(*f_);
    m.given({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
    m->Update_Count();
    m.selectEntry(1);
    QWidget* viewport = m.pictureList()->viewport();
    const ListDrop* drop = m->listDrop();

    // Nothing that could be a picture: the drag is not taken and shows no mark.
    const auto notes = file_drops::files({f_->path("notes.txt")});
    QVERIFY(!file_drops::dragTo(viewport, m.entryCentre(0), *notes));
    QCOMPARE(drop->insertMark(), nullptr);
    file_drops::leave(viewport);

    // Over an entry the mark stands in front of it; below the last, behind the last; gone on leaving.
    const auto dropped =
        file_drops::files({f_->path("b.BMP"), f_->path("notes.txt"), f_->path("pics"), f_->path("a.jpg")});
    const QPoint below = m.entryCentre(2) + QPoint(0, 3 * m.entryRect(0).height());
    QVERIFY(file_drops::dragTo(viewport, below, *dropped));
    QCOMPARE(drop->markedRow(), 3);
    QVERIFY(drop->insertMark());
    QCOMPARE(drop->insertMark()->tip().y(), viewport->mapTo(m.window(), m.entryRect(2).bottomLeft()).y() + 1);
    file_drops::leave(viewport);
    QCOMPARE(drop->insertMark(), nullptr);
    QVERIFY(file_drops::dragTo(viewport, m.entryCentre(1), *dropped));
    QCOMPARE(drop->markedRow(), 1);
    QCOMPARE(drop->insertMark()->tip().y(), viewport->mapTo(m.window(), m.entryRect(1).topLeft()).y());
    file_drops::leave(viewport);

    // In the order given, a folder's own pictures in the file list's order; the count follows and the
    // chosen entry stays chosen. The file that is not a picture is left out, and said so.
    desktop().expectMessage(
        MakerTitle, "These files are not pictures, so they were not added:\r\n\r\n" + f_->path("notes.txt"),
        Icon::Exclamation, Buttons::Ok);
    QVERIFY(file_drops::drop(viewport, m.entryCentre(1), *dropped));
    QCOMPARE(m.entries(), (QStringList{"/p/1.jpg", f_->path("b.BMP"), f_->path("pics/X.gif"),
                                       f_->path("pics/y.jpg"), f_->path("a.jpg"), "/p/2.jpg", "/p/3.jpg"}));
    QCOMPARE(m.count(), "7");
    QCOMPARE(m.selectedEntry(), 5);
    QCOMPARE(drop->insertMark(), nullptr);

    // Below the last entry: at the end. A name a show cannot hold is refused with ADD's message, in
    // the one message that names what was left out; a name that is not UTF-8 keeps its bytes, other
    // machines' files are not taken.
    f_->textFile("say \"cheese\".jpg");
    const QByteArray latin1 = QFile::encodeName(f_->dir()) + "/caf\xe9.jpg";
    QVERIFY(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)) == 0);
    const QByteArray folder = QUrl::fromLocalFile(f_->dir()).toEncoded();
    const auto odd = file_drops::uriList("# from a file manager\r\n" + folder + "/caf%E9.jpg\r\n" + folder +
                                         "/say%20%22cheese%22.jpg\r\nfile://elsewhere" + folder.mid(7) +
                                         "/a.jpg\r\n" + folder + "/a.jpg\r\n" + folder + "/notes.txt\r\n");
    desktop().expectMessage(MakerTitle,
                            "A Lumora file cannot hold a name with a double quote (\") in it, so these "
                            "pictures were not added:\r\n\r\n" +
                                f_->path("say \"cheese\".jpg") +
                                "\r\n\r\nThese files are not pictures, so they were not added:\r\n\r\n" +
                                f_->path("notes.txt"),
                            Icon::Exclamation, Buttons::Ok);
    // A list just too full to show room below its last entry: the lower half of that entry stands for
    // the room behind it.
    const int row = m.pictureList()->sizeHintForRow(0);
    m.pictureList()->resize(m.pictureList()->width(),
                            m.pictureList()->height() - viewport->height() + 5 * row);
    m.pictureList()->scrollToBottom();
    const QRect last = m.entryRect(6);
    QVERIFY(file_drops::dragTo(viewport, last.center(), *odd));
    QCOMPARE(drop->markedRow(), 6);
    QVERIFY(file_drops::drop(viewport, last.bottomLeft() - QPoint(-5, 2), *odd));
    QCOMPARE(
        m.entries().mid(7),
        (QStringList{native_name::decode(QFile::encodeName(f_->dir()) + "/caf\xe9.jpg"), f_->path("a.jpg")}));
    QCOMPARE(m.count(), "9");
    QCOMPARE(m.selectedEntry(), 5);

    // Onto an empty list, with Shift held: the file manager proposes a move, which would delete the
    // originals; the drop is a copy all the same. A FIFO named as a picture is no picture, and the
    // drop says so as it does for any other file it leaves out.
    m.model().clear();
    QVERIFY(::mkfifo(QFile::encodeName(f_->path("fifo.jpg")).constData(), 0600) == 0);
    desktop().expectMessage(
        MakerTitle, "These files are not pictures, so they were not added:\r\n\r\n" + f_->path("fifo.jpg"),
        Icon::Exclamation, Buttons::Ok);
    QVERIFY(file_drops::drop(viewport, QPoint(5, 5),
                             *file_drops::files({f_->path("pics"), f_->path("fifo.jpg")}),
                             Qt::ShiftModifier));
    QCOMPARE(m.entries(), (QStringList{f_->path("pics/X.gif"), f_->path("pics/y.jpg")}));
    QCOMPARE(m.count(), "2");
}

void MakerTest::moveButtonsBeepAtTheEnds() {
    MakerDriver m = openMaker(*f_);
    m.given({"a", "b", "c"});
    // With nothing selected the buttons do nothing at all.
    m.up();
    QCOMPARE(desktop().beeps, 0);
    m.selectEntry(0);
    m.up();
    QCOMPARE(desktop().beeps, 1);
    m.down();
    QCOMPARE(m.entries(), (QStringList{"b", "a", "c"}));
    QCOMPARE(m.selectedEntry(), 1);
    // The moved entry is the one previewed.
    m.forgetPreviewed();
    m.down();
    QCOMPARE(m.previewed(), "a");
    m.up();
    QCOMPARE(m.previewed(), "a");
    m.down();
    QCOMPARE(m.entries(), (QStringList{"b", "c", "a"}));
    m.down();
    QCOMPARE(desktop().beeps, 2);
    QCOMPARE(m.entries(), (QStringList{"b", "c", "a"}));

    // An entry dragged to another place is selected and previewed too.
    m.forgetPreviewed();
    m.dragTo(2, 0);
    QCOMPARE(m.entries(), (QStringList{"a", "b", "c"}));
    QCOMPARE(m.selectedEntry(), 0);
    QCOMPARE(m.previewed(), "a");
}

void MakerTest::previewFollowsFilesAndEntriesAndThumbnailsSwitch() {
    f_->picture("blue.jpg", Qt::blue, QSize(800, 600));
    f_->picture("red.bmp", Qt::red);
    f_->textFile("zbroken.jpg");
    MakerDriver m = makerOn(*f_, f_->dir());
    QCOMPARE(m.files(), (QStringList{"blue.jpg", "red.bmp", "zbroken.jpg"}));
    m.clickFile(0);
    QTRY_VERIFY(!m->previewPending());
    QCOMPARE(m.previewColour().blue() > 200, true);
    m.clickFile(1);
    QTRY_VERIFY(!m->previewPending());
    QCOMPARE(m.previewColour().red() > 200, true);
    // A file that cannot be read empties the frame rather than leaving the last picture.
    m.clickFile(2);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(!m.previewColour().isValid());

    // An entry of the list previews its picture; focus going to the files clears that selection.
    m.given({f_->path("red.bmp")});
    m.selectEntry(0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(m.previewColour().red() > 200);
    m.fileList()->setFocus(Qt::MouseFocusReason);
    QCOMPARE(m.selectedEntry(), -1);
    QVERIFY(!m.previewColour().isValid());
    // Tabbed into, the file list chooses no file of its own, so nothing is previewed.
    m.selectEntry(0);
    m->Dir1_Change(); // the files listed afresh, none of them current
    m.folderList()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m.folderList(), Qt::Key_Tab);
    QVERIFY(m.fileList()->hasFocus());
    QCOMPARE(m.currentFile(), -1);
    QCOMPARE(m.selectedEntry(), -1);
    QVERIFY(!m->previewPending());
    QVERIFY(!m.previewColour().isValid());
    QTest::keyClick(m.fileList(), Qt::Key_Down); // the user's own choice is previewed
    QCOMPARE(m.currentFile(), 0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(m.previewColour().blue() > 200);
    m.pictureList()->setFocus(Qt::MouseFocusReason);
    QCOMPARE(m.currentFile(), -1);

    // Thumbnails off: clicks show nothing, the empty frame stands in; on again: the current file at once.
    m.setThumbnails(false);
    QVERIFY(!m.thumbnailShown() && m.emptyFrameShown());
    m.clickFile(0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(!m.thumbnailShown());
    m.setThumbnails(!m.thumbnails());
    QVERIFY(m.thumbnailShown() && !m.emptyFrameShown());
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(m.previewColour().blue() > 200);
}

void MakerTest::savesUnderTheRightNameWithTwelveLines() {
    MakerDriver m = openMaker(*f_);
    // An empty list is never written.
    desktop().expectMessage("ERROR", "NO FILES!!!", Icon::Exclamation, Buttons::Ok);
    m.toolbar("Save");
    QVERIFY(QDir(f_->dir()).entryList(QDir::Files).isEmpty());

    m.given({"/p/one.jpg", "/p/a, b.jpg", "/p/three.gif"});
    saveAs(f_->path("holiday"));
    m.toolbar("Save");
    const QStringList lines = linesOf(f_->path("holiday.lmr"));
    QCOMPARE(lines, (QStringList{"\"Strech=False\"", "\"Ratio=1\"", "\"Shuff=0\"", "\"Delay=5\"",
                                 "\"BackCol=0\"", "\"Loop=1\"", "\"Message=1\"", "\"UseMusic=0\"",
                                 "\"Music=\"", "\"/p/one.jpg\"", "\"/p/a, b.jpg\"", "\"/p/three.gif\""}));
    // An existing show is replaced only after the dialog's question, whether ".lmr" was typed or not;
    // No goes back to the dialog.
    m.given({"/p/four.jpg"});
    const QString replace = "holiday.lmr already exists.\nDo you want to replace it?";
    for (const char* typed : {"holiday", "holiday.lmr"}) {
        expectSaveDialog(f_->path(typed));
        desktop().expectMessage("Save Lumora File", replace, Icon::Exclamation, Buttons::YesNo, Answer::No);
    }
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    m.toolbar("Save");
    QCOMPARE(linesOf(f_->path("holiday.lmr")).size(), 12);
    expectSaveDialog(f_->path("holiday"));
    desktop().expectMessage("Save Lumora File", replace, Icon::Exclamation, Buttons::YesNo, Answer::Yes);
    expectSaved(f_->path("holiday.lmr"));
    m.toolbar("Save");
    QCOMPARE(linesOf(f_->path("holiday.lmr")).last(), "\"/p/four.jpg\"");
    // Other names keep or gain the extension.
    saveAs(f_->path("Holiday.LMR"));
    m.toolbar("Save");
    QVERIFY(QFile::exists(f_->path("Holiday.LMR")));
    saveAs(f_->path("holiday.txt"));
    m.toolbar("Save");
    QVERIFY(QFile::exists(f_->path("holiday.txt.lmr")));
    // Cancelling the dialog writes nothing.
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    m.toolbar("Save");
    QCOMPARE(QDir(f_->dir()).entryList(QDir::Files).size(), 3);
}

void MakerTest::saveAndLoadRoundTripListAndOptions() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    const QStringList pictures{"/p/a,b.jpg", "/p/x=y.jpg", "/p/a,b.jpg", ""};
    m.given(pictures);
    m.setStretch(true);
    m.setKeepRatio(false);
    m.setDelay(0);
    m.givenColour(0x123456);
    m.toolbar("Message");
    m.toolbar("Shuffle");
    m.setMusic(true);
    desktop().expectFileDialog([](const FileRequest&) { return chose("/m/tune.mid"); });
    m.chooseMusic();
    const ShowSettings saved = m->options();
    saveAs(f_->path("round"));
    m.toolbar("Save");

    // Back to other values, then load.
    desktop().expectMessage(MakerTitle,
                            "Do you really want to remove all the files from the loaded images list?",
                            Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    m.toolbar("Clear");
    m.setStretch(false);
    m.toolbar("Message");
    m.toolbar("Shuffle");
    m.setMusic(false);
    desktop().expectFileDialog([this](const FileRequest& r) {
        if (r.save || r.title != QLatin1String("Load Lumora File"))
            qFatal("not the load dialog");
        return chose(f_->path("round.lmr"));
    });
    m.toolbar("Load");
    QCOMPARE(m.entries(), pictures);
    QCOMPARE(m.count(), "4");
    const ShowSettings loaded = m->options();
    QCOMPARE(loaded.stretch, saved.stretch);
    QCOMPARE(loaded.keepRatio, false);
    QCOMPARE(loaded.delaySeconds, 0);
    QCOMPARE(m.delayText(), "Forever");
    QCOMPARE(loaded.backColour, 0x123456);
    QCOMPARE(loaded.pauseMessage, false);
    QCOMPARE(loaded.shuffle, true);
    QVERIFY(m->toolbarButton("Shuffle")->isChecked() && !m->toolbarButton("Message")->isChecked());
    QCOMPARE(loaded.useMusic, true);
    QVERIFY(m.musicField()->isEnabled() && m.keepRatioEnabled());
    QCOMPARE(loaded.musicPath, "/m/tune.mid");
}

void MakerTest::loadTakesOddFieldsAsPicturesAndReportsBadFiles() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    auto load = [&](const QString& path) {
        desktop().expectFileDialog([path](const FileRequest&) { return chose(path); });
        m.toolbar("Load");
    };
    const QString maybe =
        f_->textFile("maybe.lmr", "\"Strech=Maybe\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n\"Delay=7\"\r\n"
                                  "\"BackCol=0\"\r\n\"Loop=1\"\r\n\"Message=1\"\r\n"
                                  "\"UseMusic=0\"\r\n\"Music=\"\r\n\"/p/a.jpg\"\r\n");
    load(maybe);
    QCOMPARE(m.entries(), (QStringList{"Strech=Maybe", "/p/a.jpg"}));
    QVERIFY(m.maintained());
    QCOMPARE(m.delay(), 7);

    // Fewer than nine fields: the message, and the list asks before it is replaced as always.
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("short.lmr", "\"Strech=True\"\r\n\"Ratio=1\"\r\n"));
    QVERIFY(m.stretched());
    QCOMPARE(m.count(), "0");
    // A colour no show could use fails like a bad number; a missing file too.
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("badcolour.lmr", "Strech=True\nRatio=1\nShuff=0\nDelay=5\nBackCol=16777216\nLoop=1\n"
                                       "Message=1\nUseMusic=0\nMusic=\n/p/a.jpg\n"));
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->path("missing.lmr"));
    QCOMPARE(m.entryCount(), 0);

    // What was appended before a failure stays, and the count shows it.
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("five.lmr", "/p/1.jpg\n/p/2.jpg\n/p/3.jpg\n/p/4.jpg\n/p/5.jpg\n"));
    QCOMPARE(m.entries(), (QStringList{"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg"}));
    QCOMPARE(m.count(), "5");
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("latedelay.lmr", "/p/x.jpg\nRatio=0\nShuff=1\nDelay=99\nBackCol=0\n/p/y.jpg\n"
                                       "Message=1\nUseMusic=0\nMusic=\n/p/z.jpg\n"));
    QCOMPARE(m.entries(), QStringList{"/p/x.jpg"});
    QVERIFY(!m.keepRatio() && m.shuffled());
    // A show written by an editor that begins with a byte order mark keeps its first setting.
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    load(f_->textFile("marked.lmr", "\xEF\xBB\xBF\"Strech=True\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n"
                                    "\"Delay=3\"\r\n\"BackCol=0\"\r\n\"Loop=1\"\r\n\"Message=1\"\r\n"
                                    "\"UseMusic=0\"\r\n\"Music=\"\r\n\"/p/a.jpg\"\r\n"));
    QCOMPARE(m.entries(), QStringList{"/p/a.jpg"});
    QVERIFY(m.stretched());
    // An entry no show can hold (written by hand) is left out as ADD leaves it out, so that a save
    // still works; the message shows a name that is not UTF-8 as best it can.
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    desktop().expectMessage(MakerTitle,
                            "A Lumora file cannot hold a name with a double quote (\") in it, so these "
                            "pictures were not added:\r\n\r\n/p/say \"caf\uFFFD\".jpg",
                            Icon::Exclamation, Buttons::Ok);
    load(f_->textFile("quoted.lmr",
                      "Strech=True\nRatio=1\nShuff=0\nDelay=3\nBackCol=0\nLoop=1\n"
                      "Message=1\nUseMusic=0\nMusic=\n/p/a.jpg\n/p/say \"caf\xe9\".jpg\n/p/b.jpg\n"));
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    m.model().clear();

    // A following save works.
    m.given({"/p/after.jpg"});
    saveAs(f_->path("after"));
    m.toolbar("Save");
    QCOMPARE(linesOf(f_->path("after.lmr")).size(), 10);
}

void MakerTest::questionBeforeLoadingAndCancelledDialogs() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    m.given({"/p/kept.jpg"});
    const QString question = "Do you want to save the current Lumora first?";
    // Cancel to the question, and a cancelled dialog after No, leave everything.
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Cancel);
    m.toolbar("Load");
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::No);
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    m.toolbar("Load");
    QCOMPARE(m.entries(), QStringList{"/p/kept.jpg"});
    // Yes saves and loads nothing.
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    saveAs(f_->path("first"));
    m.toolbar("Load");
    QCOMPARE(m.entries(), QStringList{"/p/kept.jpg"});
    QCOMPARE(linesOf(f_->path("first.lmr")).last(), "\"/p/kept.jpg\"");

    // Cancelling the music dialog keeps the path chosen before.
    m.setMusic(true);
    desktop().expectFileDialog([](const FileRequest& r) {
        if (r.title != QLatin1String("Load Music File") || r.nameFilters.size() != 2)
            qFatal("not the music dialog");
        return chose("/m/first.mp3");
    });
    m.chooseMusic();
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    m.chooseMusic();
    QCOMPARE(m.musicFile(), "/m/first.mp3");
    // A music name a show file cannot hold is refused.
    desktop().expectFileDialog([](const FileRequest&) { return chose("/m/\"loud\".mp3"); });
    desktop().expectMessage(
        MakerTitle,
        "A Lumora file cannot hold a name with a double quote (\") in it:\r\n\r\n/m/\"loud\".mp3"
        "\r\n\r\nThe music stays as it was.",
        Icon::Exclamation, Buttons::Ok);
    m.chooseMusic();
    QCOMPARE(m.musicFile(), "/m/first.mp3");
}

void MakerTest::failedSaveLeavesTheOldFileAsItWas() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    const QString target = f_->show("old.lmr", plainSettings(true), {"/p/old.jpg"});
    const QByteArray before = bytesOf(target);
    // Far more than the file size limit below: the write fails part-way (root ignores permissions).
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("/p/a long folder name for the limit/%1.jpg").arg(i);
    m.given(many);
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    desktop().expectFileDialog([target](const FileRequest&) { return chose(target); });
    desktop().expectMessage("Save Lumora File", "old.lmr already exists.\nDo you want to replace it?",
                            Icon::Exclamation, Buttons::YesNo, Answer::Yes);
    desktop().expectMessage(MakerTitle, "Error Saving!", Icon::Critical, Buttons::Ok);
    m.toolbar("Save");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(bytesOf(target), before);
    QCOMPARE(QDir(f_->dir()).entryList(QDir::Files), QStringList{"old.lmr"});
    QCOMPARE(m.entryCount(), 200);
}

void MakerTest::savedShowPlaysFromTheQuestion() {
    const QString pic = f_->picture("red.bmp", Qt::red);
    MakerDriver m = openMaker(*f_);
    m.given({pic});
    m.setDelay(0);
    saveAs(f_->path("run"), Answer::Yes);
    m.toolbar("Save");
    // The maker is gone (its settings stored) and the saved show plays.
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QCOMPARE(stored("Delay"), "0");
    PlayerDriver player = f_->forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QCOMPARE(player.showPath(), f_->path("run.lmr"));
    QTRY_COMPARE(f_->shownColour(), QColor(Qt::red));
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QVERIFY(QFile::exists(f_->path("run.lmr")));
}

void MakerTest::closingAChangedListAsksFirst() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    // The close box; `then` announces what the answer leads to.
    auto closeAnswering = [&](Answer answer, const std::function<void()>& then = {}) {
        desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, answer);
        if (then)
            then();
        m->close();
        QVERIFY(!desktop().pendingBoxes());
    };
    // Cancel keeps the window as it was; so does Yes with a save that is cancelled or fails.
    m.given({"/p/a.jpg", "/p/b.jpg"});
    closeAnswering(Answer::Cancel);
    closeAnswering(Answer::Yes,
                   [&] { desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; }); });
    closeAnswering(Answer::Yes, [&] {
        expectSaveDialog(f_->path("no such folder/kept"));
        desktop().expectMessage(MakerTitle, "Error Saving!", Icon::Critical, Buttons::Ok);
    });
    QVERIFY(f_->forms->isLoaded(FormId::Maker) && m->isVisible());
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    // The window destroyed by another program asks the same; Cancel brings the maker back on screen,
    // where the user had put it.
    const QPoint moved = m->pos() + QPoint(-30, 20);
    m->move(moved);
    desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, Answer::Cancel);
    f_->forms->windowDestroyedOutside(m->internalWinId());
    QVERIFY(m->isVisible() && QTest::qWaitForWindowExposed(m.window()));
    QCOMPARE(m->pos(), moved);
    QCOMPARE(m.entries(), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    // Yes with a save that works closes the maker; the show is on disk.
    closeAnswering(Answer::Yes, [&] { saveAs(f_->path("kept")); });
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QCOMPARE(linesOf(f_->path("kept.lmr")).mid(9), (QStringList{"\"/p/a.jpg\"", "\"/p/b.jpg\""}));

    // Loaded and unchanged, saved, cleared: no question. Each kind of change asks again.
    const auto changes = std::initializer_list<std::pair<const char*, std::function<void(MakerDriver&)>>>{
        {"an entry removed", [](MakerDriver& w) { w.model().removeRows(0, 1); }},
        {"an entry moved", [](MakerDriver& w) { w.model().moveEntry(0, 1); }},
        {"display mode", [](MakerDriver& w) { w.setStretch(true); }},
        // Disabled under Maintain, the box changes only as a loaded show changes it.
        {"keep ratio", [](MakerDriver& w) { w.givenKeepRatio(!w.keepRatio()); }},
        {"delay", [](MakerDriver& w) { w.setDelay(9); }},
        {"shuffle", [](MakerDriver& w) { w.toolbar("Shuffle"); }},
        {"music", [](MakerDriver& w) { w.setMusic(!w.music()); }},
        {"colour",
         [](MakerDriver& w) {
             w.pointAtPalette({30, 24}, true);
         }},
        {"colour from the keys",
         [](MakerDriver& w) {
             // Tab reaches the palette from the list; Enter there chooses and saves nothing.
             w.pictureList()->setFocus(Qt::TabFocusReason);
             for (int i = 0; i < 40 && !w.palette()->hasFocus(); ++i)
                 QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
             QVERIFY(w.palette()->hasFocus());
             QTest::keyClick(w.palette(), Qt::Key_Up, Qt::ShiftModifier);
             QTest::keyClick(w.palette(), Qt::Key_Return);
         }},
    };
    auto loadKept = [&] {
        m = openMaker(*f_);
        m.setThumbnails(false);
        desktop().expectFileDialog([this](const FileRequest&) { return chose(f_->path("kept.lmr")); });
        m.toolbar("Load");
        QVERIFY(!m->changedSinceSaved());
    };
    loadKept();
    f_->forms->windowDestroyedOutside(m->internalWinId());
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    for (const auto& [what, change] : changes) {
        loadKept();
        change(m);
        QVERIFY2(m->changedSinceSaved(), what);
        closeAnswering(Answer::No);
        QVERIFY2(!f_->forms->isLoaded(FormId::Maker), what);
    }
    loadKept();
    m.setDelay(30);
    saveAs(f_->path("kept again"));
    m.toolbar("Save");
    m->close();
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    // After Clear only new pictures count; an empty list asks nothing.
    loadKept();
    desktop().expectMessage(MakerTitle,
                            "Do you really want to remove all the files from the loaded images list?",
                            Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    m.toolbar("Clear");
    m.setDelay(12);
    m->close();
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
}

void MakerTest::toolbarTogglesMirrorTheHiddenBoxes() {
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    m.given({"/p/a.jpg"});
    QToolBar* bar = m.toolbar();
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QStringList captions;
    for (QAction* a : bar->actions())
        if (!a->isSeparator()) {
            captions << a->text();
            QVERIFY(!a->icon().isNull());
            QCOMPARE(bar->widgetForAction(a)->accessibleName(), a->text());
        }
    QCOMPARE(captions, (QStringList{"Loop", "Shuffle", "Message", "Clear", "Load", "Save", "Preview"}));
    QCOMPARE(m->toolbarButton("Shuffle")->toolTip(), "Shuffle the pictures in the Lumora");

    m.toolbar("Shuffle");
    QVERIFY(m.shuffled() && m->toolbarButton("Shuffle")->isChecked());
    saveAs(f_->path("shuffled"));
    m.toolbar("Save");
    QCOMPARE(linesOf(f_->path("shuffled.lmr")).at(2), "\"Shuff=1\"");
    m.toolbar("Shuffle");
    QVERIFY(!m.shuffled() && !m->toolbarButton("Shuffle")->isChecked());
    m.toolbar("Loop");
    m.toolbar("Message");
    QVERIFY(!m.looped() && !m.pauseMessage());
}

void MakerTest::everyActionByTheKeyboardAlone() {
    const QString red = f_->picture("red.bmp", Qt::red);
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    m.given({red});
    QVERIFY(QTest::qWaitForWindowActive(m.window()));
    const auto key = [m](QKeyCombination k) { QTest::keyClick(m.window(), k.key(), k.keyboardModifiers()); };
    key(Qt::CTRL | Qt::Key_L);
    key(Qt::CTRL | Qt::Key_R);
    key(Qt::CTRL | Qt::Key_M);
    QVERIFY(!m.looped() && m.shuffled() && !m.pauseMessage());
    QVERIFY(!m->toolbarButton("Loop")->isChecked() && m->toolbarButton("Shuffle")->isChecked());
    QCOMPARE(m->toolbarButton("Save")->toolTip(), "Save Lumora"); // the keys leave the tooltips alone
    saveAs(f_->path("keys"));
    key(Qt::CTRL | Qt::Key_S);
    QCOMPARE(linesOf(f_->path("keys.lmr")).mid(2, 4),
             (QStringList{"\"Shuff=1\"", "\"Delay=5\"", "\"BackCol=0\"", "\"Loop=0\""}));
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::Cancel);
    key(Qt::CTRL | Qt::Key_O);
    desktop().expectMessage(MakerTitle,
                            "Do you really want to remove all the files from the loaded images list?",
                            Icon::Question, Buttons::YesNoCancel, Answer::No);
    key(Qt::CTRL | Qt::Key_N);
    key(QKeyCombination(Qt::Key_F5));
    QVERIFY(f_->forms->isLoaded(FormId::Player));
    QTest::keyClick(f_->forms->form(FormId::Player), Qt::Key_Escape);
    QVERIFY(QTest::qWaitForWindowActive(m.window()));

    // Tab reaches the delay and every toolbar button, and Space presses the one it is on.
    QSet<QWidget*> reached;
    m.volumeList()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    QVERIFY(reached.contains(m.delayBar()));
    for (QAction* a : m.toolbar()->actions())
        QVERIFY2(a->isSeparator() || reached.contains(m.toolbar()->widgetForAction(a)),
                 qPrintable(a->text()));
    // Each list marks the focus, whether or not it has a current entry, and so does the delay bar.
    m.delayBar()->setFocus(Qt::TabFocusReason);
    const QImage delayMarked = m.delayBar()->grab().toImage();
    m.addButton()->setFocus(Qt::TabFocusReason);
    QVERIFY(m.delayBar()->grab().toImage() != delayMarked);
    m.browse(f_->dir());
    for (QAbstractItemView* list :
         std::initializer_list<QAbstractItemView*>{m.folderList(), m.fileList(), m.pictureList()}) {
        list->setFocus(Qt::TabFocusReason);
        list->setCurrentIndex(QModelIndex());
        const QImage marked = list->grab().toImage();
        m.addButton()->setFocus(Qt::TabFocusReason);
        QVERIFY2(list->grab().toImage() != marked, qPrintable(list->objectName()));
    }
    QWidget* shuffle = m.toolbar()->widgetForAction(m->toolbarButton("Shuffle"));
    while (QApplication::focusWidget() != shuffle)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(shuffle, Qt::Key_Space);
    QVERIFY(!m.shuffled());
}

void MakerTest::displayModeDelayAndMusicOptions() {
    MakerDriver m = openMaker(*f_);
    m.setStretch(true);
    QVERIFY(m.keepRatioEnabled());
    m.setKeepRatio(!m.keepRatio());
    QVERIFY(!m.keepRatio());
    // Maintain disables the box and keeps its value, which is saved all the same.
    m.setStretch(false);
    QVERIFY(!m.keepRatioEnabled() && !m.keepRatio());
    QCOMPARE(m->options().keepRatio, false);

    const std::pair<int, const char*> labels[] = {
        {0, "Forever"}, {1, "1 Second"}, {2, "2 Seconds"}, {60, "60 Seconds"}};
    for (const auto& [value, text] : labels) {
        m.setDelay(value);
        QCOMPARE(m.delayText(), QLatin1String(text));
    }
    m.setDelay(59);
    QTest::keyClick(m.delayBar(), Qt::Key_Right); // one step up
    QCOMPARE(m.delayText(), "60 Seconds");

    const QColor face = m.musicField()->palette().color(QPalette::Disabled, QPalette::Base);
    m.setMusic(!m.music());
    QVERIFY(m.music() && m.musicField()->isEnabled() && m.musicButton()->isEnabled());
    QVERIFY(m.musicField()->isReadOnly());
    QVERIFY(m.musicField()->palette().color(QPalette::Active, QPalette::Base) != face);
    m.setMusic(!m.music());
    QVERIFY(!m.musicField()->isEnabled() && !m.musicButton()->isEnabled());
    QCOMPARE(m.musicField()->palette().color(QPalette::Disabled, QPalette::Base), face);
    // A click on the swatch chooses nothing here; a click on the palette does.
    m.pointAtPalette({3, 24}, false);
    m.clickSwatch();
    QCOMPARE(m.colour(), 0);
    m.pointAtPalette({3, 24}, true);
    QCOMPARE(m.colour(), m.colourUnderPointer().toInt());
    QVERIFY(m.colour() != 0);
}

void MakerTest::clearAsksAndPreviewPlaysTheListAndComesBack() {
    const QString red = f_->picture("red.bmp", Qt::red);
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    desktop().expectMessage("ERROR", "NO FILES!!!", Icon::Exclamation, Buttons::Ok);
    m.toolbar("Preview");
    QVERIFY(!f_->forms->isLoaded(FormId::Player));

    m.given({red, red});
    m->Update_Count();
    const QString question = "Do you really want to remove all the files from the loaded images list?";
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, answer);
        m.toolbar("Clear");
    }
    QCOMPARE(m.entryCount(), 2);

    // The preview asks nothing, plays the list, and comes back to the maker without temp.lmr.
    m.toolbar("Preview");
    PlayerDriver player = f_->forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QCOMPARE(player.showPath(), program_folder::tempLmrPath());
    QTRY_COMPARE(f_->shownColour(), QColor(Qt::red));
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(!f_->forms->isLoaded(FormId::Player));
    QVERIFY(m->isVisible());
    QVERIFY(!f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QVERIFY(!QFile::exists(program_folder::tempLmrPath()));
    QCOMPARE(m.entries(), (QStringList{red, red}));

    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    m.toolbar("Clear");
    QCOMPARE(m.count(), "0");
}

void MakerTest::previewThatCannotSaveOrPlayItsMusicStaysInTheMaker() {
    const QString red = f_->picture("red.bmp", Qt::red);
    MakerDriver m = openMaker(*f_);
    m.setThumbnails(false);
    m.given({red});
    // A folder standing at temp.lmr's name: the save fails and no player starts on it.
    QVERIFY(QDir().mkpath(program_folder::tempLmrPath()));
    desktop().expectMessage(MakerTitle, "Error Saving!", Icon::Critical, Buttons::Ok);
    m.toolbar("Preview");
    QVERIFY(QDir().rmdir(program_folder::tempLmrPath()));
    QVERIFY(!f_->forms->isLoaded(FormId::Player));

    // Music the player refuses: its message, then back to the maker with the list.
    const QString bad = f_->textFile("bad.mp3", QByteArray(4096, 'x'));
    m.setMusic(true);
    desktop().expectFileDialog([bad](const FileRequest&) { return chose(bad); });
    m.chooseMusic();
    desktop().expectMessage("Lumora", "Invalid Music file, program will exit.", Icon::Critical, Buttons::Ok);
    m.toolbar("Preview");
    QTRY_VERIFY(!f_->forms->isLoaded(FormId::Player));
    QVERIFY(!desktop().endedWith.has_value());
    QVERIFY(m->isVisible());
    QCOMPARE(m.entries(), QStringList{red});
    QVERIFY(!QFile::exists(program_folder::tempLmrPath()));
}

void MakerTest::arrangingFitsTheToolbarOnce() {
    MakerDriver m = openMaker(*f_);
    QVERIFY(QTest::qWaitForWindowActive(m.window()));
    const QRect drive = m.volumeList()->geometry();
    QCOMPARE(drive.top(), m.toolbar()->height() + 3);
    QCOMPARE(m.fileList()->y(), drive.top());
    QWidget* tenth = m.toolbar()->widgetForAction(m->toolbarButton("Preview"));
    QVERIFY(tenth->isVisible());
    QVERIFY(tenth->geometry().right() < m->width());
    const QSize size = m->size();
    const QRect list = m.pictureList()->geometry();
    m->Form_Activate();
    QCOMPARE(m->size(), size);
    QCOMPARE(m.pictureList()->geometry(), list);
}

void MakerTest::namesThatAreNotUtf8AreListedAddedAndSavedByteForByte() {
    // A folder and a picture named in Latin-1, as another system wrote them.
    const QByteArray raw = QFile::encodeName(f_->dir());
    const QByteArray folder = raw + "/d\xe9j\xe0";
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    writeSolidPicture(f_->path("plain.jpg"), Qt::red);
    QVERIFY(::rename((raw + "/plain.jpg").constData(), (folder + "/caf\xe9.jpg").constData()) == 0);

    MakerDriver m = makerOn(*f_, f_->dir());
    const auto shown = m.folderList()->findItems(QStringLiteral("d\uFFFDj\uFFFD"), Qt::MatchEndsWith);
    QCOMPARE(shown.size(), 1);
    QTest::keyClick(m.folderList(), Qt::Key_End);
    QTest::keyClick(m.folderList(), Qt::Key_Return);
    QCOMPARE(native_name::encode(m.folder()), folder);
    QCOMPARE(m.fileList()->count(), 1);
    QCOMPARE(m.fileList()->item(0)->text(), QStringLiteral("caf\uFFFD.jpg"));

    m.add({QStringLiteral("caf\uFFFD.jpg")});
    m.doubleClickFile(0);
    QCOMPARE(m.entries().size(), 2);
    for (const QString& path : m.entries())
        QCOMPARE(native_name::encode(path), folder + "/caf\xe9.jpg");
    QCOMPARE(m.model().index(0).data().toString(), native_name::forDisplay(m.entries()[0]));
    QVERIFY(m.model().index(0).data().toString().endsWith(QStringLiteral("caf\uFFFD.jpg")));

    saveAs(f_->path("latin"));
    m.toolbar("Save");
    QVERIFY(bytesOf(f_->path("latin.lmr")).endsWith("\"" + folder + "/caf\xe9.jpg\"\r\n"));
    // Qt cannot name these to remove them with the temporary folder.
    ::unlink((folder + "/caf\xe9.jpg").constData());
    ::rmdir(folder.constData());
}

// However the list changes, not only through the window's own handlers, the count shows its length.
void MakerTest::countFollowsEveryChangeOfTheList() {
    MakerDriver m = openMaker(*f_);
    QCOMPARE(m.count(), "0");
    m.given({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    QCOMPARE(m.count(), "3");
    m.model().append("/p/d.jpg");
    QCOMPARE(m.count(), "4");
    QVERIFY(m.model().removeRows(1, 2));
    QCOMPARE(m.count(), "2");
    QVERIFY(m.model().moveEntry(0, 1));
    QCOMPARE(m.count(), "2");
    m.model().clear();
    QCOMPARE(m.count(), "0");
    m.model().appendEntries({{"/p/e.jpg", 7}});
    QCOMPARE(m.count(), "1");
}

void MakerTest::longPathsShowTheirFileNames() {
    MakerDriver m = openMaker(*f_);
    const QString folder = "/home/someone/Pictures/Holidays by the sea and in the mountains/Holiday 2024/";
    const QStringList paths{folder + "01 beach.jpg", folder + "02 beach at night.jpg", "/p/a.jpg"};
    m.given(paths);
    QListView* list = m.pictureList();
    QTRY_VERIFY(list->isVisible());
    // Each entry is drawn within the list, elided at the left, so that its file name shows.
    QCOMPARE(list->textElideMode(), Qt::ElideLeft);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    const QFontMetrics metrics(list->font());
    for (int row = 0; row < 2; ++row) {
        const QRect rect = list->visualRect(m.model().index(row));
        QVERIFY(rect.width() <= list->viewport()->width());
        QVERIFY(metrics.horizontalAdvance(paths[row]) > rect.width()); // it must be elided at all
        const QString shown = metrics.elidedText(paths[row], list->textElideMode(), rect.width() - 8);
        QVERIFY2(shown.endsWith(QFileInfo(paths[row]).fileName()), qPrintable(shown));
    }
    // The entries' text, tooltip and accessible name stay the whole path.
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    QVERIFY(view);
    for (int row = 0; row < paths.size(); ++row) {
        const QModelIndex index = m.model().index(row);
        QCOMPARE(index.data(Qt::DisplayRole).toString(), paths[row]);
        QCOMPARE(index.data(Qt::ToolTipRole).toString(), paths[row]);
        QVERIFY(view->child(row));
        QCOMPARE(view->child(row)->text(QAccessible::Name), paths[row]);
    }
}

QTEST_MAIN(MakerTest)
#include "test_maker.moc"
