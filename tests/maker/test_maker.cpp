#include "FileDrops.h"
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
Maker_Frm* openMaker(ShowFixture& f) {
    f.start();
    auto* menu = f.forms->as<MENU_Frm>(FormId::Menu);
    if (!menu)
        qFatal("no menu");
    QTest::mouseClick(menu->Make_File_Btn, Qt::LeftButton);
    auto* maker = f.forms->as<Maker_Frm>(FormId::Maker);
    if (!maker || !QTest::qWaitForWindowExposed(maker))
        qFatal("the maker never came up");
    return maker;
}

// The maker browsing `folder`.
Maker_Frm* makerOn(ShowFixture& f, const QString& folder) {
    Maker_Frm* maker = openMaker(f);
    if (!maker->Dir1->setPath(folder))
        qFatal("cannot browse %s", qPrintable(folder));
    return maker;
}

QStringList entries(const Maker_Frm* maker) {
    return maker->List1Items->paths();
}

void selectFiles(Maker_Frm* maker, const QStringList& names) {
    maker->File1->clearSelection();
    for (int row = 0; row < maker->File1->count(); ++row)
        if (names.contains(maker->File1->item(row)->text()))
            maker->File1->item(row)->setSelected(true);
}

void selectEntry(Maker_Frm* maker, int row) {
    maker->List1->setCurrentIndex(maker->List1Items->index(row));
}

QPoint entryCentre(Maker_Frm* maker, int row) {
    return maker->List1->visualRect(maker->List1Items->index(row)).center();
}

void clickToolbar(Maker_Frm* maker, const char* key) {
    QWidget* button = maker->Toolbar1->widgetForAction(maker->toolbarButton(QLatin1String(key)));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
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

// The centre colour of the preview, or an invalid colour when it shows nothing.
QColor previewColour(const Maker_Frm* maker) {
    const QPixmap p = maker->Image1->pixmap();
    if (p.isNull())
        return {};
    const QImage image = p.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
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
    Maker_Frm* m = openMaker(*f_);
    QVERIFY(!f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QCOMPARE(m->windowTitle(), "10. Lumora Maker v0.4b by Corvath");
    QVERIFY(m->Maintain_Opt->isChecked());
    QVERIFY(m->Ratio_Chk->isChecked() && !m->Ratio_Chk->isEnabled());
    QCOMPARE(m->Delay_Lbl->text(), "5 Seconds");
    QCOMPARE(m->Label2->text(), "0");
    QVERIFY(m->Loop_Chk->isChecked() && m->toolbarButton("Loop")->isChecked());
    QVERIFY(!m->Shuff_Chk->isChecked() && !m->toolbarButton("Shuffle")->isChecked());
    QVERIFY(m->Message_Chk->isChecked() && m->toolbarButton("Message")->isChecked());
    QVERIFY(m->Check1->isChecked() && m->Image1->isVisible() && !m->Image2->isVisible());
    QVERIFY(!m->Music_Chk->isChecked() && !m->Music_Txt->isEnabled() && !m->Music_Btn->isEnabled());
    QCOMPARE(m->Palette->chosenColour(), 0);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(m->Dir1->path(), QDir(pictures).exists() ? pictures : QDir::homePath());
    // Every control can be found by name.
    for (QWidget* w : m->findChildren<QWidget*>())
        if (w->isVisibleTo(m) && !qobject_cast<QLabel*>(w) && w->focusPolicy() != Qt::NoFocus)
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
    Maker_Frm* m = makerOn(*f_, folder);
    m->Strech_Opt->setChecked(true);
    m->Ratio_Chk->setChecked(false);
    m->Delay_Scroll->setValue(20);
    m->Palette->setChosenColour(255);
    clickToolbar(m, "Loop");
    clickToolbar(m, "Shuffle");
    m->Check1->setChecked(false);
    m->File1->setCurrentRow(0);
    m->Add_Btn->click();
    desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, Answer::No);
    m->close();
    QCOMPARE(stored("Display Mode"), "False");
    QCOMPARE(stored("Colour"), "255");
    QCOMPARE(stored("Path"), folder);

    m = openMaker(*f_);
    QVERIFY(m->Strech_Opt->isChecked() && m->Ratio_Chk->isEnabled() && !m->Ratio_Chk->isChecked());
    QCOMPARE(m->Delay_Scroll->value(), 20);
    QCOMPARE(m->Delay_Lbl->text(), "20 Seconds");
    QCOMPARE(m->Palette->chosenColour(), 255);
    QVERIFY(!m->Loop_Chk->isChecked() && !m->toolbarButton("Loop")->isChecked());
    QVERIFY(m->Shuff_Chk->isChecked() && m->toolbarButton("Shuffle")->isChecked());
    QVERIFY(!m->Check1->isChecked() && !m->Image1->isVisible() && m->Image2->isVisible());
    QCOMPARE(m->Dir1->path(), folder);
    QCOMPARE(m->File1->names(), QStringList{"a.jpg"});
    QCOMPARE(m->List1Items->count(), 0);
    QCOMPARE(m->Label2->text(), "0");
}

void MakerTest::aRememberedFolderThatIsGoneOpensTheDefaultSilently() {
    settings::SaveSetting(settings::MakerApp, settings::Section, "Path", f_->path("gone"));
    settings::SaveSetting(settings::MakerApp, settings::Section, "Colour", "16777216"); // no colour at all
    Maker_Frm* m = openMaker(*f_);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QCOMPARE(m->Dir1->path(), QDir(pictures).exists() ? pictures : QDir::homePath());
    QCOMPARE(m->Palette->chosenColour(), 0);
    QVERIFY(desktop().shownBoxes.isEmpty());
}

void MakerTest::anUnusableVolumeIsReportedAndChangesNothing() {
    desktop().volumeList = {{QStringLiteral("/"), true}, {f_->path("dead"), false}};
    Maker_Frm* m = makerOn(*f_, f_->dir());
    m->Drive1->refresh();
    desktop().expectMessage("ERROR", "Invaild drive " + f_->path("dead") + ".", Icon::Critical, Buttons::Ok);
    QVERIFY(m->Drive1->choose(f_->path("dead")));
    QCOMPARE(m->Dir1->path(), f_->dir());
    QCOMPARE(m->Drive1->text(), f_->path("dead"));
}

void MakerTest::addsInFileListOrderAndRefusesQuotedNames() {
    // Only names matter here: Qt writes no GIFs, and nothing is decoded.
    for (const char* name : {"c.gif", "a.jpg", "b.bmp"})
        f_->textFile(name);
    f_->textFile("notes.txt");
    Maker_Frm* m = makerOn(*f_, f_->dir());
    QCOMPARE(m->File1->names(), (QStringList{"a.jpg", "b.bmp", "c.gif"}));
    QCOMPARE(m->File1->selectionMode(), QAbstractItemView::ExtendedSelection);

    selectFiles(m, {"c.gif", "a.jpg", "b.bmp"});
    QTest::mouseClick(m->Add_Btn, Qt::LeftButton);
    QCOMPARE(entries(m), (QStringList{f_->path("a.jpg"), f_->path("b.bmp"), f_->path("c.gif")}));
    QCOMPARE(m->Label2->text(), "3");
    // A screen reader reads a label by its name: the count and the delay, not fixed words.
    QCOMPARE(QAccessible::queryAccessibleInterface(m->Label2)->text(QAccessible::Name), "3");
    QCOMPARE(QAccessible::queryAccessibleInterface(m->Delay_Lbl)->text(QAccessible::Name), "5 Seconds");
    QCOMPARE(m->Text1->text(), f_->path("c.gif"));

    // A double-click adds the file under the pointer, again and again.
    m->File1->setCurrentRow(1);
    const QPoint b = m->File1->visualItemRect(m->File1->item(1)).center();
    QTest::mouseDClick(m->File1->viewport(), Qt::LeftButton, {}, b);
    QTest::mouseDClick(m->File1->viewport(), Qt::LeftButton, {}, b);
    QCOMPARE(entries(m).mid(3), (QStringList{f_->path("b.bmp"), f_->path("b.bmp")}));
    QCOMPARE(m->Label2->text(), "5");

    // Nothing selected adds nothing; a name a show file cannot hold is refused, the rest is added.
    m->File1->clearSelection();
    m->Add_Btn->click();
    QCOMPARE(m->List1Items->count(), 5);
    f_->textFile("say \"cheese\".jpg");
    const QByteArray latin1 = QFile::encodeName(f_->dir()) + "/caf\xe9.jpg";
    QVERIFY(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)) == 0);
    m->File1->setPath(f_->dir());
    selectFiles(m, {"a.jpg", "say \"cheese\".jpg"});
    desktop().expectMessage(
        MakerTitle,
        "A Lumora file cannot hold a name with a double quote (\") in it, so these pictures "
        "were not added:\r\n\r\n" +
            f_->path("say \"cheese\".jpg"),
        Icon::Exclamation, Buttons::Ok);
    m->Add_Btn->click();
    QCOMPARE(entries(m).mid(5), QStringList{f_->path("a.jpg")});
    QCOMPARE(m->Label2->text(), "6");
}

void MakerTest::removalAsksAndOnlyYesRemoves() {
    Maker_Frm* m = openMaker(*f_);
    m->List1Items->appendPaths({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    m->Update_Count();
    m->Check1->setChecked(false);
    const QString question =
        "Do you really want to remove the file..\r\n\r\n/p/b.jpg\r\n\r\nfrom the loaded images list?";
    for (Answer answer : {Answer::No, Answer::Cancel, Answer::Yes}) {
        selectEntry(m, 1);
        desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, answer);
        QTest::mouseDClick(m->List1->viewport(), Qt::LeftButton, {}, entryCentre(m, 1));
        QVERIFY(!desktop().pendingBoxes());
    }
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(m->Label2->text(), "2");
    // Nothing is chosen afterwards, so the arrow buttons do nothing until the user picks an entry.
    QCOMPARE(selectedRow(*m->List1), -1);
    QTest::mouseClick(m->cmdDown, Qt::LeftButton);
    QTest::mouseClick(m->cmdUp, Qt::LeftButton);
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(desktop().beeps, 0);

    // Delete in the list asks the same question; only Yes removes, and nothing is chosen after it.
    // A name that is not UTF-8 is asked about as best it can be shown.
    m->List1Items->appendPaths({native_name::decode("/p/d\xe9.jpg")});
    m->List1->setFocus();
    QTest::keyClick(m->List1, Qt::Key_Delete); // nothing chosen: nothing asked
    for (Answer answer : {Answer::No, Answer::Yes}) {
        selectEntry(m, 2);
        desktop().expectMessage(MakerTitle,
                                "Do you really want to remove the file..\r\n\r\n/p/d\uFFFD.jpg\r\n\r\nfrom "
                                "the loaded images list?",
                                Icon::Question, Buttons::YesNoCancel, answer);
        QTest::keyClick(m->List1, Qt::Key_Delete);
        QVERIFY(!desktop().pendingBoxes());
    }
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    QCOMPARE(m->Label2->text(), "2");
    QCOMPARE(selectedRow(*m->List1), -1);
    // With no entry selected a double-click asks nothing.
    m->List1->clearSelection();
    m->List1Items->clear();
    QTest::mouseDClick(m->List1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
}

void MakerTest::droppedFilesAndFoldersLandWhereTheMarkShows() {
    f_->textFile("a.jpg");
    f_->textFile("b.BMP");
    f_->textFile("notes.txt");
    QVERIFY(QDir().mkpath(f_->path("pics/inner")));
    for (const char* name : {"pics/y.jpg", "pics/X.gif", "pics/readme.txt", "pics/inner/z.jpg"})
        f_->textFile(name);
    Maker_Frm* m = openMaker(*f_);
    m->List1Items->appendPaths({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
    m->Update_Count();
    selectEntry(m, 1);
    QWidget* viewport = m->List1->viewport();
    const ListDrop* drop = m->listDrop();

    // Nothing that could be a picture: the drag is not taken and shows no mark.
    const auto notes = file_drops::files({f_->path("notes.txt")});
    QVERIFY(!file_drops::dragTo(viewport, entryCentre(m, 0), *notes));
    QCOMPARE(drop->insertMark(), nullptr);
    file_drops::leave(viewport);

    // Over an entry the mark stands in front of it; below the last, behind the last; gone on leaving.
    const auto dropped =
        file_drops::files({f_->path("b.BMP"), f_->path("notes.txt"), f_->path("pics"), f_->path("a.jpg")});
    const QPoint below =
        entryCentre(m, 2) + QPoint(0, 3 * m->List1->visualRect(m->List1Items->index(0)).height());
    QVERIFY(file_drops::dragTo(viewport, below, *dropped));
    QCOMPARE(drop->markedRow(), 3);
    QVERIFY(drop->insertMark());
    QCOMPARE(drop->insertMark()->tip().y(),
             viewport->mapTo(m, m->List1->visualRect(m->List1Items->index(2)).bottomLeft()).y() + 1);
    file_drops::leave(viewport);
    QCOMPARE(drop->insertMark(), nullptr);
    QVERIFY(file_drops::dragTo(viewport, entryCentre(m, 1), *dropped));
    QCOMPARE(drop->markedRow(), 1);
    QCOMPARE(drop->insertMark()->tip().y(),
             viewport->mapTo(m, m->List1->visualRect(m->List1Items->index(1)).topLeft()).y());
    file_drops::leave(viewport);

    // In the order given, a folder's own pictures in the file list's order; the count follows and the
    // chosen entry stays chosen. The file that is not a picture is left out, and said so.
    desktop().expectMessage(
        MakerTitle, "These files are not pictures, so they were not added:\r\n\r\n" + f_->path("notes.txt"),
        Icon::Exclamation, Buttons::Ok);
    QVERIFY(file_drops::drop(viewport, entryCentre(m, 1), *dropped));
    QCOMPARE(entries(m), (QStringList{"/p/1.jpg", f_->path("b.BMP"), f_->path("pics/X.gif"),
                                      f_->path("pics/y.jpg"), f_->path("a.jpg"), "/p/2.jpg", "/p/3.jpg"}));
    QCOMPARE(m->Label2->text(), "7");
    QCOMPARE(selectedRow(*m->List1), 5);
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
    const int row = m->List1->sizeHintForRow(0);
    m->List1->resize(m->List1->width(), m->List1->height() - viewport->height() + 5 * row);
    m->List1->scrollToBottom();
    const QRect last = m->List1->visualRect(m->List1Items->index(6));
    QVERIFY(file_drops::dragTo(viewport, last.center(), *odd));
    QCOMPARE(drop->markedRow(), 6);
    QVERIFY(file_drops::drop(viewport, last.bottomLeft() - QPoint(-5, 2), *odd));
    QCOMPARE(
        entries(m).mid(7),
        (QStringList{native_name::decode(QFile::encodeName(f_->dir()) + "/caf\xe9.jpg"), f_->path("a.jpg")}));
    QCOMPARE(m->Label2->text(), "9");
    QCOMPARE(selectedRow(*m->List1), 5);

    // Onto an empty list, with Shift held: the file manager proposes a move, which would delete the
    // originals; the drop is a copy all the same. A FIFO named as a picture is no picture, and the
    // drop says so as it does for any other file it leaves out.
    m->List1Items->clear();
    QVERIFY(::mkfifo(QFile::encodeName(f_->path("fifo.jpg")).constData(), 0600) == 0);
    desktop().expectMessage(
        MakerTitle, "These files are not pictures, so they were not added:\r\n\r\n" + f_->path("fifo.jpg"),
        Icon::Exclamation, Buttons::Ok);
    QVERIFY(file_drops::drop(viewport, QPoint(5, 5),
                             *file_drops::files({f_->path("pics"), f_->path("fifo.jpg")}),
                             Qt::ShiftModifier));
    QCOMPARE(entries(m), (QStringList{f_->path("pics/X.gif"), f_->path("pics/y.jpg")}));
    QCOMPARE(m->Label2->text(), "2");
}

void MakerTest::moveButtonsBeepAtTheEnds() {
    Maker_Frm* m = openMaker(*f_);
    m->List1Items->appendPaths({"a", "b", "c"});
    // With nothing selected the buttons do nothing at all.
    m->cmdUp->click();
    QCOMPARE(desktop().beeps, 0);
    selectEntry(m, 0);
    QTest::mouseClick(m->cmdUp, Qt::LeftButton);
    QCOMPARE(desktop().beeps, 1);
    QTest::mouseClick(m->cmdDown, Qt::LeftButton);
    QCOMPARE(entries(m), (QStringList{"b", "a", "c"}));
    QCOMPARE(selectedRow(*m->List1), 1);
    // The moved entry is the one previewed.
    m->Text1->setText(QString());
    QTest::mouseClick(m->cmdDown, Qt::LeftButton);
    QCOMPARE(m->Text1->text(), "a");
    QTest::mouseClick(m->cmdUp, Qt::LeftButton);
    QCOMPARE(m->Text1->text(), "a");
    QTest::mouseClick(m->cmdDown, Qt::LeftButton);
    QCOMPARE(entries(m), (QStringList{"b", "c", "a"}));
    QTest::mouseClick(m->cmdDown, Qt::LeftButton);
    QCOMPARE(desktop().beeps, 2);
    QCOMPARE(entries(m), (QStringList{"b", "c", "a"}));

    // An entry dragged to another place is selected and previewed too.
    m->Text1->setText(QString());
    QTest::mousePress(m->List1->viewport(), Qt::LeftButton, {}, entryCentre(m, 2));
    QTest::mouseMove(m->List1->viewport(), entryCentre(m, 1));
    QTest::mouseMove(m->List1->viewport(), entryCentre(m, 0));
    QTest::mouseRelease(m->List1->viewport(), Qt::LeftButton, {}, entryCentre(m, 0));
    QCOMPARE(entries(m), (QStringList{"a", "b", "c"}));
    QCOMPARE(selectedRow(*m->List1), 0);
    QCOMPARE(m->Text1->text(), "a");
}

void MakerTest::previewFollowsFilesAndEntriesAndThumbnailsSwitch() {
    f_->picture("blue.jpg", Qt::blue, QSize(800, 600));
    f_->picture("red.bmp", Qt::red);
    f_->textFile("zbroken.jpg");
    Maker_Frm* m = makerOn(*f_, f_->dir());
    QCOMPARE(m->File1->names(), (QStringList{"blue.jpg", "red.bmp", "zbroken.jpg"}));
    m->File1->setCurrentRow(0);
    QTRY_VERIFY(!m->previewPending());
    QCOMPARE(previewColour(m).blue() > 200, true);
    m->File1->setCurrentRow(1);
    QTRY_VERIFY(!m->previewPending());
    QCOMPARE(previewColour(m).red() > 200, true);
    // A file that cannot be read empties the frame rather than leaving the last picture.
    m->File1->setCurrentRow(2);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(!previewColour(m).isValid());

    // An entry of the list previews its picture; focus going to the files clears that selection.
    m->List1Items->appendPaths({f_->path("red.bmp")});
    selectEntry(m, 0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(previewColour(m).red() > 200);
    m->File1->setFocus(Qt::MouseFocusReason);
    QCOMPARE(selectedRow(*m->List1), -1);
    QVERIFY(!previewColour(m).isValid());
    // Tabbed into, the file list chooses no file of its own, so nothing is previewed.
    selectEntry(m, 0);
    m->Dir1_Change(); // the files listed afresh, none of them current
    m->Dir1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m->Dir1, Qt::Key_Tab);
    QVERIFY(m->File1->hasFocus());
    QCOMPARE(m->File1->currentRow(), -1);
    QCOMPARE(selectedRow(*m->List1), -1);
    QVERIFY(!m->previewPending());
    QVERIFY(!previewColour(m).isValid());
    QTest::keyClick(m->File1, Qt::Key_Down); // the user's own choice is previewed
    QCOMPARE(m->File1->currentRow(), 0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(previewColour(m).blue() > 200);
    m->List1->setFocus(Qt::MouseFocusReason);
    QCOMPARE(m->File1->currentRow(), -1);

    // Thumbnails off: clicks show nothing, the empty frame stands in; on again: the current file at once.
    m->Check1->setChecked(false);
    QVERIFY(!m->Image1->isVisible() && m->Image2->isVisible());
    m->File1->setCurrentRow(0);
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(!m->Image1->isVisible());
    QTest::mouseClick(m->Check1, Qt::LeftButton);
    QVERIFY(m->Image1->isVisible() && !m->Image2->isVisible());
    QTRY_VERIFY(!m->previewPending());
    QVERIFY(previewColour(m).blue() > 200);
}

void MakerTest::savesUnderTheRightNameWithTwelveLines() {
    Maker_Frm* m = openMaker(*f_);
    // An empty list is never written.
    desktop().expectMessage("ERROR", "NO FILES!!!", Icon::Exclamation, Buttons::Ok);
    clickToolbar(m, "Save");
    QVERIFY(QDir(f_->dir()).entryList(QDir::Files).isEmpty());

    m->List1Items->appendPaths({"/p/one.jpg", "/p/a, b.jpg", "/p/three.gif"});
    saveAs(f_->path("holiday"));
    clickToolbar(m, "Save");
    const QStringList lines = linesOf(f_->path("holiday.lmr"));
    QCOMPARE(lines, (QStringList{"\"Strech=False\"", "\"Ratio=1\"", "\"Shuff=0\"", "\"Delay=5\"",
                                 "\"BackCol=0\"", "\"Loop=1\"", "\"Message=1\"", "\"UseMusic=0\"",
                                 "\"Music=\"", "\"/p/one.jpg\"", "\"/p/a, b.jpg\"", "\"/p/three.gif\""}));
    // An existing show is replaced only after the dialog's question, whether ".lmr" was typed or not;
    // No goes back to the dialog.
    m->List1Items->appendPaths({"/p/four.jpg"});
    const QString replace = "holiday.lmr already exists.\nDo you want to replace it?";
    for (const char* typed : {"holiday", "holiday.lmr"}) {
        expectSaveDialog(f_->path(typed));
        desktop().expectMessage("Save Lumora File", replace, Icon::Exclamation, Buttons::YesNo, Answer::No);
    }
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    clickToolbar(m, "Save");
    QCOMPARE(linesOf(f_->path("holiday.lmr")).size(), 12);
    expectSaveDialog(f_->path("holiday"));
    desktop().expectMessage("Save Lumora File", replace, Icon::Exclamation, Buttons::YesNo, Answer::Yes);
    expectSaved(f_->path("holiday.lmr"));
    clickToolbar(m, "Save");
    QCOMPARE(linesOf(f_->path("holiday.lmr")).last(), "\"/p/four.jpg\"");
    // Other names keep or gain the extension.
    saveAs(f_->path("Holiday.LMR"));
    clickToolbar(m, "Save");
    QVERIFY(QFile::exists(f_->path("Holiday.LMR")));
    saveAs(f_->path("holiday.txt"));
    clickToolbar(m, "Save");
    QVERIFY(QFile::exists(f_->path("holiday.txt.lmr")));
    // Cancelling the dialog writes nothing.
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    clickToolbar(m, "Save");
    QCOMPARE(QDir(f_->dir()).entryList(QDir::Files).size(), 3);
}

void MakerTest::saveAndLoadRoundTripListAndOptions() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    const QStringList pictures{"/p/a,b.jpg", "/p/x=y.jpg", "/p/a,b.jpg", ""};
    m->List1Items->appendPaths(pictures);
    m->Strech_Opt->setChecked(true);
    m->Ratio_Chk->setChecked(false);
    m->Delay_Scroll->setValue(0);
    m->Palette->setChosenColour(0x123456);
    clickToolbar(m, "Message");
    clickToolbar(m, "Shuffle");
    m->Music_Chk->setChecked(true);
    desktop().expectFileDialog([](const FileRequest&) { return chose("/m/tune.mid"); });
    m->Music_Btn->click();
    const ShowSettings saved = m->options();
    saveAs(f_->path("round"));
    clickToolbar(m, "Save");

    // Back to other values, then load.
    desktop().expectMessage(MakerTitle,
                            "Do you really want to remove all the files from the loaded images list?",
                            Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    clickToolbar(m, "Clear");
    m->Maintain_Opt->setChecked(true);
    clickToolbar(m, "Message");
    clickToolbar(m, "Shuffle");
    m->Music_Chk->setChecked(false);
    desktop().expectFileDialog([this](const FileRequest& r) {
        if (r.save || r.title != QLatin1String("Load Lumora File"))
            qFatal("not the load dialog");
        return chose(f_->path("round.lmr"));
    });
    clickToolbar(m, "Load");
    QCOMPARE(entries(m), pictures);
    QCOMPARE(m->Label2->text(), "4");
    const ShowSettings loaded = m->options();
    QCOMPARE(loaded.stretch, saved.stretch);
    QCOMPARE(loaded.keepRatio, false);
    QCOMPARE(loaded.delaySeconds, 0);
    QCOMPARE(m->Delay_Lbl->text(), "Forever");
    QCOMPARE(loaded.backColour, 0x123456);
    QCOMPARE(loaded.pauseMessage, false);
    QCOMPARE(loaded.shuffle, true);
    QVERIFY(m->toolbarButton("Shuffle")->isChecked() && !m->toolbarButton("Message")->isChecked());
    QCOMPARE(loaded.useMusic, true);
    QVERIFY(m->Music_Txt->isEnabled() && m->Ratio_Chk->isEnabled());
    QCOMPARE(loaded.musicPath, "/m/tune.mid");
}

void MakerTest::loadTakesOddFieldsAsPicturesAndReportsBadFiles() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    auto load = [&](const QString& path) {
        desktop().expectFileDialog([path](const FileRequest&) { return chose(path); });
        m->Load_File();
    };
    const QString maybe =
        f_->textFile("maybe.lmr", "\"Strech=Maybe\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n\"Delay=7\"\r\n"
                                  "\"BackCol=0\"\r\n\"Loop=1\"\r\n\"Message=1\"\r\n"
                                  "\"UseMusic=0\"\r\n\"Music=\"\r\n\"/p/a.jpg\"\r\n");
    load(maybe);
    QCOMPARE(entries(m), (QStringList{"Strech=Maybe", "/p/a.jpg"}));
    QVERIFY(m->Maintain_Opt->isChecked());
    QCOMPARE(m->Delay_Scroll->value(), 7);

    // Fewer than nine fields: the message, and the list asks before it is replaced as always.
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("short.lmr", "\"Strech=True\"\r\n\"Ratio=1\"\r\n"));
    QVERIFY(m->Strech_Opt->isChecked());
    QCOMPARE(m->Label2->text(), "0");
    // A colour no show could use fails like a bad number; a missing file too.
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("badcolour.lmr", "Strech=True\nRatio=1\nShuff=0\nDelay=5\nBackCol=16777216\nLoop=1\n"
                                       "Message=1\nUseMusic=0\nMusic=\n/p/a.jpg\n"));
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->path("missing.lmr"));
    QCOMPARE(m->List1Items->count(), 0);

    // What was appended before a failure stays, and the count shows it.
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("five.lmr", "/p/1.jpg\n/p/2.jpg\n/p/3.jpg\n/p/4.jpg\n/p/5.jpg\n"));
    QCOMPARE(entries(m), (QStringList{"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg"}));
    QCOMPARE(m->Label2->text(), "5");
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    desktop().expectMessage(MakerTitle, "Error Loading in File!", Icon::Critical, Buttons::Ok);
    load(f_->textFile("latedelay.lmr", "/p/x.jpg\nRatio=0\nShuff=1\nDelay=99\nBackCol=0\n/p/y.jpg\n"
                                       "Message=1\nUseMusic=0\nMusic=\n/p/z.jpg\n"));
    QCOMPARE(entries(m), QStringList{"/p/x.jpg"});
    QVERIFY(!m->Ratio_Chk->isChecked() && m->Shuff_Chk->isChecked());
    // A show written by an editor that begins with a byte order mark keeps its first setting.
    desktop().expectMessage(MakerTitle, "Do you want to save the current Lumora first?", Icon::Question,
                            Buttons::YesNoCancel, Answer::No);
    load(f_->textFile("marked.lmr", "\xEF\xBB\xBF\"Strech=True\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n"
                                    "\"Delay=3\"\r\n\"BackCol=0\"\r\n\"Loop=1\"\r\n\"Message=1\"\r\n"
                                    "\"UseMusic=0\"\r\n\"Music=\"\r\n\"/p/a.jpg\"\r\n"));
    QCOMPARE(entries(m), QStringList{"/p/a.jpg"});
    QVERIFY(m->Strech_Opt->isChecked());
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
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    m->List1Items->clear();

    // A following save works.
    m->List1Items->appendPaths({"/p/after.jpg"});
    saveAs(f_->path("after"));
    m->Toolbar1_ButtonClick("Save");
    QCOMPARE(linesOf(f_->path("after.lmr")).size(), 10);
}

void MakerTest::questionBeforeLoadingAndCancelledDialogs() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    m->List1Items->appendPaths({"/p/kept.jpg"});
    const QString question = "Do you want to save the current Lumora first?";
    // Cancel to the question, and a cancelled dialog after No, leave everything.
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Cancel);
    m->Load_File();
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::No);
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    m->Load_File();
    QCOMPARE(entries(m), QStringList{"/p/kept.jpg"});
    // Yes saves and loads nothing.
    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    saveAs(f_->path("first"));
    m->Load_File();
    QCOMPARE(entries(m), QStringList{"/p/kept.jpg"});
    QCOMPARE(linesOf(f_->path("first.lmr")).last(), "\"/p/kept.jpg\"");

    // Cancelling the music dialog keeps the path chosen before.
    m->Music_Chk->setChecked(true);
    desktop().expectFileDialog([](const FileRequest& r) {
        if (r.title != QLatin1String("Load Music File") || r.nameFilters.size() != 2)
            qFatal("not the music dialog");
        return chose("/m/first.mp3");
    });
    QTest::mouseClick(m->Music_Btn, Qt::LeftButton);
    desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; });
    QTest::mouseClick(m->Music_Btn, Qt::LeftButton);
    QCOMPARE(m->Music_Txt->text(), "/m/first.mp3");
    // A music name a show file cannot hold is refused.
    desktop().expectFileDialog([](const FileRequest&) { return chose("/m/\"loud\".mp3"); });
    desktop().expectMessage(
        MakerTitle,
        "A Lumora file cannot hold a name with a double quote (\") in it:\r\n\r\n/m/\"loud\".mp3"
        "\r\n\r\nThe music stays as it was.",
        Icon::Exclamation, Buttons::Ok);
    QTest::mouseClick(m->Music_Btn, Qt::LeftButton);
    QCOMPARE(m->Music_Txt->text(), "/m/first.mp3");
}

void MakerTest::failedSaveLeavesTheOldFileAsItWas() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    const QString target = f_->show("old.lmr", plainSettings(true), {"/p/old.jpg"});
    const QByteArray before = bytesOf(target);
    // Far more than the file size limit below: the write fails part-way (root ignores permissions).
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("/p/a long folder name for the limit/%1.jpg").arg(i);
    m->List1Items->appendPaths(many);
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
    m->Toolbar1_ButtonClick("Save");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(bytesOf(target), before);
    QCOMPARE(QDir(f_->dir()).entryList(QDir::Files), QStringList{"old.lmr"});
    QCOMPARE(m->List1Items->count(), 200);
}

void MakerTest::savedShowPlaysFromTheQuestion() {
    const QString pic = f_->picture("red.bmp", Qt::red);
    Maker_Frm* m = openMaker(*f_);
    m->List1Items->appendPaths({pic});
    m->Delay_Scroll->setValue(0);
    saveAs(f_->path("run"), Answer::Yes);
    m->Toolbar1_ButtonClick("Save");
    // The maker is gone (its settings stored) and the saved show plays.
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QCOMPARE(stored("Delay"), "0");
    Main_Frm* player = f_->forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QCOMPARE(player->File_Path_Txt->text(), f_->path("run.lmr"));
    QTRY_COMPARE(f_->shownColour(), QColor(Qt::red));
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QVERIFY(QFile::exists(f_->path("run.lmr")));
}

void MakerTest::closingAChangedListAsksFirst() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    // The close box; `then` announces what the answer leads to.
    auto closeAnswering = [&](Answer answer, const std::function<void()>& then = {}) {
        desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, answer);
        if (then)
            then();
        m->close();
        QVERIFY(!desktop().pendingBoxes());
    };
    // Cancel keeps the window as it was; so does Yes with a save that is cancelled or fails.
    m->List1Items->appendPaths({"/p/a.jpg", "/p/b.jpg"});
    closeAnswering(Answer::Cancel);
    closeAnswering(Answer::Yes,
                   [&] { desktop().expectFileDialog([](const FileRequest&) { return FileReply{}; }); });
    closeAnswering(Answer::Yes, [&] {
        expectSaveDialog(f_->path("no such folder/kept"));
        desktop().expectMessage(MakerTitle, "Error Saving!", Icon::Critical, Buttons::Ok);
    });
    QVERIFY(f_->forms->isLoaded(FormId::Maker) && m->isVisible());
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    // The window destroyed by another program asks the same; Cancel brings the maker back on screen,
    // where the user had put it.
    const QPoint moved = m->pos() + QPoint(-30, 20);
    m->move(moved);
    desktop().expectMessage(MakerTitle, CloseQuestion, Icon::Question, Buttons::YesNoCancel, Answer::Cancel);
    f_->forms->windowDestroyedOutside(m->internalWinId());
    QVERIFY(m->isVisible() && QTest::qWaitForWindowExposed(m));
    QCOMPARE(m->pos(), moved);
    QCOMPARE(entries(m), (QStringList{"/p/a.jpg", "/p/b.jpg"}));
    // Yes with a save that works closes the maker; the show is on disk.
    closeAnswering(Answer::Yes, [&] { saveAs(f_->path("kept")); });
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    QVERIFY(f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QCOMPARE(linesOf(f_->path("kept.lmr")).mid(9), (QStringList{"\"/p/a.jpg\"", "\"/p/b.jpg\""}));

    // Loaded and unchanged, saved, cleared: no question. Each kind of change asks again.
    const auto changes = std::initializer_list<std::pair<const char*, std::function<void(Maker_Frm*)>>>{
        {"an entry removed", [](Maker_Frm* w) { w->List1Items->removeRows(0, 1); }},
        {"an entry moved", [](Maker_Frm* w) { w->List1Items->moveEntry(0, 1); }},
        {"display mode", [](Maker_Frm* w) { w->Strech_Opt->setChecked(true); }},
        {"keep ratio", [](Maker_Frm* w) { w->Ratio_Chk->toggle(); }},
        {"delay", [](Maker_Frm* w) { w->Delay_Scroll->setValue(9); }},
        {"shuffle", [](Maker_Frm* w) { clickToolbar(w, "Shuffle"); }},
        {"music", [](Maker_Frm* w) { w->Music_Chk->toggle(); }},
        {"colour",
         [](Maker_Frm* w) {
             w->Palette->Pal_MouseMove(Qt::NoButton, 0, 30, 24);
             w->Palette->Pal_Click();
         }},
        {"colour from the keys",
         [](Maker_Frm* w) {
             // Tab reaches the palette from the list; Enter there chooses and saves nothing.
             w->List1->setFocus(Qt::TabFocusReason);
             for (int i = 0; i < 40 && !w->Palette->Pal->hasFocus(); ++i)
                 QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
             QVERIFY(w->Palette->Pal->hasFocus());
             QTest::keyClick(w->Palette->Pal, Qt::Key_Up, Qt::ShiftModifier);
             QTest::keyClick(w->Palette->Pal, Qt::Key_Return);
         }},
    };
    auto loadKept = [&] {
        m = openMaker(*f_);
        m->Check1->setChecked(false);
        desktop().expectFileDialog([this](const FileRequest&) { return chose(f_->path("kept.lmr")); });
        m->Load_File();
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
    m->Delay_Scroll->setValue(30);
    saveAs(f_->path("kept again"));
    clickToolbar(m, "Save");
    m->close();
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
    // After Clear only new pictures count; an empty list asks nothing.
    loadKept();
    desktop().expectMessage(MakerTitle,
                            "Do you really want to remove all the files from the loaded images list?",
                            Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    clickToolbar(m, "Clear");
    m->Delay_Scroll->setValue(12);
    m->close();
    QVERIFY(!f_->forms->isLoaded(FormId::Maker));
}

void MakerTest::toolbarTogglesMirrorTheHiddenBoxes() {
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    m->List1Items->appendPaths({"/p/a.jpg"});
    QToolBar* bar = m->Toolbar1;
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

    clickToolbar(m, "Shuffle");
    QVERIFY(m->Shuff_Chk->isChecked() && m->toolbarButton("Shuffle")->isChecked());
    saveAs(f_->path("shuffled"));
    clickToolbar(m, "Save");
    QCOMPARE(linesOf(f_->path("shuffled.lmr")).at(2), "\"Shuff=1\"");
    clickToolbar(m, "Shuffle");
    QVERIFY(!m->Shuff_Chk->isChecked() && !m->toolbarButton("Shuffle")->isChecked());
    clickToolbar(m, "Loop");
    clickToolbar(m, "Message");
    QVERIFY(!m->Loop_Chk->isChecked() && !m->Message_Chk->isChecked());
}

void MakerTest::everyActionByTheKeyboardAlone() {
    const QString red = f_->picture("red.bmp", Qt::red);
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    m->List1Items->appendPaths({red});
    QVERIFY(QTest::qWaitForWindowActive(m));
    const auto key = [m](QKeyCombination k) { QTest::keyClick(m, k.key(), k.keyboardModifiers()); };
    key(Qt::CTRL | Qt::Key_L);
    key(Qt::CTRL | Qt::Key_R);
    key(Qt::CTRL | Qt::Key_M);
    QVERIFY(!m->Loop_Chk->isChecked() && m->Shuff_Chk->isChecked() && !m->Message_Chk->isChecked());
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
    QVERIFY(QTest::qWaitForWindowActive(m));

    // Tab reaches the delay and every toolbar button, and Space presses the one it is on.
    QSet<QWidget*> reached;
    m->Drive1->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    QVERIFY(reached.contains(m->Delay_Scroll));
    for (QAction* a : m->Toolbar1->actions())
        QVERIFY2(a->isSeparator() || reached.contains(m->Toolbar1->widgetForAction(a)),
                 qPrintable(a->text()));
    // Each list marks the focus, whether or not it has a current entry, and so does the delay bar.
    m->Delay_Scroll->setFocus(Qt::TabFocusReason);
    const QImage delayMarked = m->Delay_Scroll->grab().toImage();
    m->Add_Btn->setFocus(Qt::TabFocusReason);
    QVERIFY(m->Delay_Scroll->grab().toImage() != delayMarked);
    m->Dir1->setPath(f_->dir());
    for (QAbstractItemView* list : std::initializer_list<QAbstractItemView*>{m->Dir1, m->File1, m->List1}) {
        list->setFocus(Qt::TabFocusReason);
        list->setCurrentIndex(QModelIndex());
        const QImage marked = list->grab().toImage();
        m->Add_Btn->setFocus(Qt::TabFocusReason);
        QVERIFY2(list->grab().toImage() != marked, qPrintable(list->objectName()));
    }
    QWidget* shuffle = m->Toolbar1->widgetForAction(m->toolbarButton("Shuffle"));
    while (QApplication::focusWidget() != shuffle)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(shuffle, Qt::Key_Space);
    QVERIFY(!m->Shuff_Chk->isChecked());
}

void MakerTest::displayModeDelayAndMusicOptions() {
    Maker_Frm* m = openMaker(*f_);
    QTest::mouseClick(m->Strech_Opt, Qt::LeftButton);
    QVERIFY(m->Ratio_Chk->isEnabled());
    QTest::mouseClick(m->Ratio_Chk, Qt::LeftButton);
    QVERIFY(!m->Ratio_Chk->isChecked());
    // Maintain disables the box and keeps its value, which is saved all the same.
    QTest::mouseClick(m->Maintain_Opt, Qt::LeftButton);
    QVERIFY(!m->Ratio_Chk->isEnabled() && !m->Ratio_Chk->isChecked());
    QCOMPARE(m->options().keepRatio, false);

    const std::pair<int, const char*> labels[] = {
        {0, "Forever"}, {1, "1 Second"}, {2, "2 Seconds"}, {60, "60 Seconds"}};
    for (const auto& [value, text] : labels) {
        m->Delay_Scroll->setValue(value);
        QCOMPARE(m->Delay_Lbl->text(), QLatin1String(text));
    }
    m->Delay_Scroll->setValue(59);
    m->Delay_Scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(m->Delay_Lbl->text(), "60 Seconds");

    const QColor face = m->Music_Txt->palette().color(QPalette::Disabled, QPalette::Base);
    QTest::mouseClick(m->Music_Chk, Qt::LeftButton);
    QVERIFY(m->Music_Chk->isChecked() && m->Music_Txt->isEnabled() && m->Music_Btn->isEnabled());
    QVERIFY(m->Music_Txt->isReadOnly());
    QVERIFY(m->Music_Txt->palette().color(QPalette::Active, QPalette::Base) != face);
    QTest::mouseClick(m->Music_Chk, Qt::LeftButton);
    QVERIFY(!m->Music_Txt->isEnabled() && !m->Music_Btn->isEnabled());
    QCOMPARE(m->Music_Txt->palette().color(QPalette::Disabled, QPalette::Base), face);
    // A click on the swatch chooses nothing here; a click on the palette does.
    m->Palette->Pal_MouseMove(Qt::NoButton, 0, 3, 24);
    QTest::mouseClick(m->Palette->lbColor, Qt::LeftButton);
    QCOMPARE(m->Palette->chosenColour(), 0);
    m->Palette->Pal_Click();
    QCOMPARE(m->Palette->chosenColour(), m->Palette->txCol().toInt());
    QVERIFY(m->Palette->chosenColour() != 0);
}

void MakerTest::clearAsksAndPreviewPlaysTheListAndComesBack() {
    const QString red = f_->picture("red.bmp", Qt::red);
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    desktop().expectMessage("ERROR", "NO FILES!!!", Icon::Exclamation, Buttons::Ok);
    clickToolbar(m, "Preview");
    QVERIFY(!f_->forms->isLoaded(FormId::Player));

    m->List1Items->appendPaths({red, red});
    m->Update_Count();
    const QString question = "Do you really want to remove all the files from the loaded images list?";
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, answer);
        clickToolbar(m, "Clear");
    }
    QCOMPARE(m->List1Items->count(), 2);

    // The preview asks nothing, plays the list, and comes back to the maker without temp.lmr.
    clickToolbar(m, "Preview");
    Main_Frm* player = f_->forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QCOMPARE(player->File_Path_Txt->text(), program_folder::tempLmrPath());
    QTRY_COMPARE(f_->shownColour(), QColor(Qt::red));
    QTest::keyClick(player, Qt::Key_Escape);
    QVERIFY(!f_->forms->isLoaded(FormId::Player));
    QVERIFY(m->isVisible());
    QVERIFY(!f_->forms->as<MENU_Frm>(FormId::Menu)->isVisible());
    QVERIFY(!QFile::exists(program_folder::tempLmrPath()));
    QCOMPARE(entries(m), (QStringList{red, red}));

    desktop().expectMessage(MakerTitle, question, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
    clickToolbar(m, "Clear");
    QCOMPARE(m->Label2->text(), "0");
}

void MakerTest::previewThatCannotSaveOrPlayItsMusicStaysInTheMaker() {
    const QString red = f_->picture("red.bmp", Qt::red);
    Maker_Frm* m = openMaker(*f_);
    m->Check1->setChecked(false);
    m->List1Items->appendPaths({red});
    // A folder standing at temp.lmr's name: the save fails and no player starts on it.
    QVERIFY(QDir().mkpath(program_folder::tempLmrPath()));
    desktop().expectMessage(MakerTitle, "Error Saving!", Icon::Critical, Buttons::Ok);
    clickToolbar(m, "Preview");
    QVERIFY(QDir().rmdir(program_folder::tempLmrPath()));
    QVERIFY(!f_->forms->isLoaded(FormId::Player));

    // Music the player refuses: its message, then back to the maker with the list.
    const QString bad = f_->textFile("bad.mp3", QByteArray(4096, 'x'));
    m->Music_Chk->setChecked(true);
    desktop().expectFileDialog([bad](const FileRequest&) { return chose(bad); });
    m->Music_Btn->click();
    desktop().expectMessage("Lumora", "Invalid Music file, program will exit.", Icon::Critical, Buttons::Ok);
    clickToolbar(m, "Preview");
    QTRY_VERIFY(!f_->forms->isLoaded(FormId::Player));
    QVERIFY(!desktop().endedWith.has_value());
    QVERIFY(m->isVisible());
    QCOMPARE(entries(m), QStringList{red});
    QVERIFY(!QFile::exists(program_folder::tempLmrPath()));
}

void MakerTest::arrangingFitsTheToolbarOnce() {
    Maker_Frm* m = openMaker(*f_);
    QVERIFY(QTest::qWaitForWindowActive(m));
    const QRect drive = m->Drive1->geometry();
    QCOMPARE(drive.top(), m->Toolbar1->height() + 3);
    QCOMPARE(m->File1->y(), drive.top());
    QWidget* tenth = m->Toolbar1->widgetForAction(m->toolbarButton("Preview"));
    QVERIFY(tenth->isVisible());
    QVERIFY(tenth->geometry().right() < m->width());
    const QSize size = m->size();
    const QRect list = m->List1->geometry();
    m->Form_Activate();
    QCOMPARE(m->size(), size);
    QCOMPARE(m->List1->geometry(), list);
}

void MakerTest::namesThatAreNotUtf8AreListedAddedAndSavedByteForByte() {
    // A folder and a picture named in Latin-1, as another system wrote them.
    const QByteArray raw = QFile::encodeName(f_->dir());
    const QByteArray folder = raw + "/d\xe9j\xe0";
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    writeSolidPicture(f_->path("plain.jpg"), Qt::red);
    QVERIFY(::rename((raw + "/plain.jpg").constData(), (folder + "/caf\xe9.jpg").constData()) == 0);

    Maker_Frm* m = makerOn(*f_, f_->dir());
    const auto shown = m->Dir1->findItems(QStringLiteral("d\uFFFDj\uFFFD"), Qt::MatchEndsWith);
    QCOMPARE(shown.size(), 1);
    QTest::keyClick(m->Dir1, Qt::Key_End);
    QTest::keyClick(m->Dir1, Qt::Key_Return);
    QCOMPARE(native_name::encode(m->Dir1->path()), folder);
    QCOMPARE(m->File1->count(), 1);
    QCOMPARE(m->File1->item(0)->text(), QStringLiteral("caf\uFFFD.jpg"));

    m->File1->item(0)->setSelected(true);
    QTest::mouseClick(m->Add_Btn, Qt::LeftButton);
    m->File1->setCurrentRow(0);
    QTest::mouseDClick(m->File1->viewport(), Qt::LeftButton, {},
                       m->File1->visualItemRect(m->File1->item(0)).center());
    QCOMPARE(entries(m).size(), 2);
    for (const QString& path : entries(m))
        QCOMPARE(native_name::encode(path), folder + "/caf\xe9.jpg");
    QCOMPARE(m->List1Items->index(0).data().toString(), native_name::forDisplay(entries(m)[0]));
    QVERIFY(m->List1Items->index(0).data().toString().endsWith(QStringLiteral("caf\uFFFD.jpg")));

    saveAs(f_->path("latin"));
    clickToolbar(m, "Save");
    QVERIFY(bytesOf(f_->path("latin.lmr")).endsWith("\"" + folder + "/caf\xe9.jpg\"\r\n"));
    // Qt cannot name these to remove them with the temporary folder.
    ::unlink((folder + "/caf\xe9.jpg").constData());
    ::rmdir(folder.constData());
}

// However the list changes, not only through the window's own handlers, the count shows its length.
void MakerTest::countFollowsEveryChangeOfTheList() {
    Maker_Frm* m = openMaker(*f_);
    QCOMPARE(m->Label2->text(), "0");
    m->List1Items->appendPaths({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    QCOMPARE(m->Label2->text(), "3");
    m->List1Items->append("/p/d.jpg");
    QCOMPARE(m->Label2->text(), "4");
    QVERIFY(m->List1Items->removeRows(1, 2));
    QCOMPARE(m->Label2->text(), "2");
    QVERIFY(m->List1Items->moveEntry(0, 1));
    QCOMPARE(m->Label2->text(), "2");
    m->List1Items->clear();
    QCOMPARE(m->Label2->text(), "0");
    m->List1Items->appendEntries({{"/p/e.jpg", 7}});
    QCOMPARE(m->Label2->text(), "1");
}

void MakerTest::longPathsShowTheirFileNames() {
    Maker_Frm* m = openMaker(*f_);
    const QString folder = "/home/someone/Pictures/Holidays by the sea and in the mountains/Holiday 2024/";
    const QStringList paths{folder + "01 beach.jpg", folder + "02 beach at night.jpg", "/p/a.jpg"};
    m->List1Items->appendPaths(paths);
    QListView* list = m->List1;
    QTRY_VERIFY(list->isVisible());
    // Each entry is drawn within the list, elided at the left, so that its file name shows.
    QCOMPARE(list->textElideMode(), Qt::ElideLeft);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    const QFontMetrics metrics(list->font());
    for (int row = 0; row < 2; ++row) {
        const QRect rect = list->visualRect(m->List1Items->index(row));
        QVERIFY(rect.width() <= list->viewport()->width());
        QVERIFY(metrics.horizontalAdvance(paths[row]) > rect.width()); // it must be elided at all
        const QString shown = metrics.elidedText(paths[row], list->textElideMode(), rect.width() - 8);
        QVERIFY2(shown.endsWith(QFileInfo(paths[row]).fileName()), qPrintable(shown));
    }
    // The entries' text, tooltip and accessible name stay the whole path.
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    QVERIFY(view);
    for (int row = 0; row < paths.size(); ++row) {
        const QModelIndex index = m->List1Items->index(row);
        QCOMPARE(index.data(Qt::DisplayRole).toString(), paths[row]);
        QCOMPARE(index.data(Qt::ToolTipRole).toString(), paths[row]);
        QVERIFY(view->child(row));
        QCOMPARE(view->child(row)->text(QAccessible::Name), paths[row]);
    }
}

QTEST_MAIN(MakerTest)
#include "test_maker.moc"
