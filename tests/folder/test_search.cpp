#include "MenuDriver.h"
#include "SearchDriver.h"
#include "SetupFixture.h"
#include "app/MENU_Frm.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "controls/PictureButton.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/FormTimer.h"
#include "platform/NativeName.h"
#include "platform/ProgramFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

#include <sys/stat.h>

namespace {

// Records what the search window shows while it walks, and that the label and the bar are drawn
// while the walk holds the event loop.
struct Watch : QObject {
    explicit Watch(Search_Frm* s) {
        connect(s, &Search_Frm::folderShown, this, [this](const QString& f) { labels << f; });
        connect(s, &Search_Frm::barShown, this, [this](int maximum, int value) {
            bars << std::pair{maximum, value};
        });
        SearchDriver(s).folderLabel()->installEventFilter(this);
        SearchDriver(s).depthBar()->installEventFilter(this);
        label = SearchDriver(s).folderLabel();
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o == label && !label->text().isEmpty())
            paintedLabels << label->text();
        return false;
    }
    QLabel* label;
    QStringList labels;
    QStringList paintedLabels;
    QList<std::pair<int, int>> bars;
};

// Runs the search of `root` with its subfolders from the setup and returns the pictures of the show it
// leads to. `whileSearching` sees the search window before the walk starts.
QStringList searchedPictures(SetupFixture& f, const QString& root,
                             const std::function<void(Search_Frm&)>& whileSearching = {}) {
    SetupDriver setup = f.openSetupOn(root, true);
    if (!setup)
        return {QStringLiteral("no setup window")};
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    if (!search)
        return {QStringLiteral("no search window")};
    if (whileSearching)
        whileSearching(*search);
    if (!QTest::qWaitFor([&] { return f.forms->isLoaded(FormId::Player); }))
        return {QStringLiteral("no show")};
    f.desktop.verifyDone();
    return f.tempShowLines().mid(9);
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void walksTheTreeShowsItAndPlaysIt();
    void treeWithoutPicturesBringsTheSetupBack();
    void unreadableFoldersAreSkipped();
    void windowIsLaidOutAndNamed();
    void closedBeforeTheWalkBringsTheSetupBack();
    void escapeOrTheCloseBoxStopsTheWalk_data();
    void escapeOrTheCloseBoxStopsTheWalk();
    void aListingThatIgnoresTheStopDoesNotHoldTheWindow();
    void picturesAShowCannotHoldAreCountedOutAndToldOnce();
    void namesThatAreNotUtf8ReachTheShowByteForByte();
    void aLinkAtTheTempShowIsReplacedNotWrittenThrough();
};

void SearchTest::walksTheTreeShowsItAndPlaysIt() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/A/A1") && QDir(f.dir()).mkpath("R/B"));
    const QString r = f.path("R");
    writeSolidPicture(r + "/p1.jpg", Qt::red);
    writeSolidPicture(r + "/A/p2.jpg", Qt::green);
    writeSolidPicture(r + "/A/A1/p3.JPG", Qt::blue);
    writeSolidPicture(r + "/B/p4.bmp", Qt::yellow);
    SetupDriver setup = f.openSetupOn(r, true);
    QVERIFY(setup);
    QCOMPARE(setup.count(), "Number of Files: 1");
    setup.setDelay(9);

    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    QVERIFY(!setup->isVisible());
    QCOMPARE(SearchDriver(search).startFolder(), r);
    QCOMPARE(SearchDriver(search).depthBar()->maximum(), 100);
    QCOMPARE(SearchDriver(search).depthBar()->value(), 0);
    Watch watch(search);
    // The start timer runs the walk once, then the player takes over.
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QVERIFY(!f.forms->isLoaded(FormId::Search));
    QCOMPARE(watch.labels, (QStringList{r, r + "/A", r + "/A/A1", r + "/A", r, r + "/B", r}));
    QVERIFY(!watch.paintedLabels.isEmpty());
    QCOMPARE(watch.paintedLabels.last(), r);
    QCOMPARE(watch.bars, (QList<std::pair<int, int>>{{1, 1}, {3, 2}, {5, 3}, {5, 2}}));
    QCOMPARE(f.tempShowLines(), (QStringList{"Strech=False", "Ratio=1", "Shuff=0", "Delay=9", "BackCol=0",
                                             "Loop=1", "Message=1", "UseMusic=0", "Music=", r + "/p1.jpg",
                                             r + "/A/p2.jpg", r + "/A/A1/p3.JPG", r + "/B/p4.bmp"}));

    f.leaveShow();
}

void SearchTest::treeWithoutPicturesBringsTheSetupBack() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("E/x/y"));
    f.textFile("E/x/notes.txt");
    SetupDriver setup = f.openSetupOn(f.path("E"), true);
    QVERIFY(setup);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::keyClick(setup.window(), Qt::Key_Return);
    QTRY_VERIFY(!f.forms->isLoaded(FormId::Search));
    f.desktop.verifyDone();
    QVERIFY(setup->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));

    // A later search is a fresh one: the bar back at 0 of 100.
    writeSolidPicture(f.path("E/x/y/z.bmp"), Qt::red);
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search && SearchDriver(search).depthBar()->maximum() == 100 &&
            SearchDriver(search).depthBar()->value() == 0);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().mid(9), QStringList{f.path("E/x/y/z.bmp")});
}

void SearchTest::unreadableFoldersAreSkipped() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/locked") && QDir(f.dir()).mkpath("R/open"));
    writeSolidPicture(f.path("R/locked/a.jpg"), Qt::red);
    writeSolidPicture(f.path("R/open/b.jpg"), Qt::red);
    writeSolidPicture(f.path("R/open/say \"x\".jpg"), Qt::red); // cannot be stored: left out, with a word
    QVERIFY(QFile::link(f.path("R"), f.path("R/open/loop")));
    f.desktop.expectMessage("Lumora",
                            "1 picture was left out of the show because its path holds a double quote (\"), "
                            "which a Lumora file cannot store.",
                            desktop::Icon::Information, desktop::Buttons::Ok);
    const QStringList shown = searchedPictures(f, f.path("R"), [](Search_Frm& search) {
        // Tests run as root, which reads every folder: the listing is made to fail instead.
        const auto disk = search.lister;
        search.lister = [disk](const folder_walk::Place& place) -> std::optional<folder_listing::Listing> {
            if (place.path.endsWith("/locked"))
                return std::nullopt;
            return disk(place);
        };
    });
    QCOMPARE(shown, QStringList{f.path("R/open/b.jpg")});
}

void SearchTest::windowIsLaidOutAndNamed() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R"));
    writeSolidPicture(f.path("R/a.jpg"), Qt::red);
    SetupDriver setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    QCOMPARE(search->windowTitle(), "Searching Subfolders");
    QCOMPARE(search->size(), QSize(418, 107));
    QCOMPARE(SearchDriver(search).depthBar()->geometry(), QRect(6, 21, 400, 16));
    QCOMPARE(SearchDriver(search).depthBar()->accessibleName(), "Directory Depth");
    QCOMPARE(SearchDriver(search).folderLabel()->accessibleDescription(), "Current Directory");
    QVERIFY(SearchDriver(search).startClock()->isEnabled());
    Watch watch(search);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    // A start folder without subfolders: the bar ends at 1 of 1.
    QCOMPARE(watch.bars, (QList<std::pair<int, int>>{{1, 1}}));
    QCOMPARE(f.tempShowLines().mid(9), QStringList{f.path("R/a.jpg")});
}

void SearchTest::closedBeforeTheWalkBringsTheSetupBack() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R"));
    writeSolidPicture(f.path("R/a.jpg"), Qt::red);
    SetupDriver setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    QPointer<Search_Frm> gone(search);
    search->close();
    QVERIFY(!f.forms->isLoaded(FormId::Search));
    QVERIFY(setup->isVisible());
    // The window and its start timer are gone: no walk and no show can come later.
    QTRY_VERIFY(!gone);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
    QVERIFY(!f.programEnded);
}

void SearchTest::escapeOrTheCloseBoxStopsTheWalk_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("close box") << false;
}

void SearchTest::escapeOrTheCloseBoxStopsTheWalk() {
    QFETCH(bool, escape);
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/A") && QDir(f.dir()).mkpath("R/B"));
    const QString r = f.path("R");
    writeSolidPicture(r + "/p1.jpg", Qt::red);
    writeSolidPicture(r + "/A/p2.jpg", Qt::red);
    writeSolidPicture(r + "/B/p3.jpg", Qt::red);
    SetupDriver setup = f.openSetupOn(r, true);
    QVERIFY(setup);
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    Watch watch(search);
    // The walk is held at A as a slow disk would hold it, until the window stops it.
    struct Held {
        std::atomic<bool> atA{false};
        std::atomic<bool> sawStop{false};
        std::atomic<int> listedAfterA{0};
    };
    const auto held = std::make_shared<Held>();
    const auto disk = search->lister;
    const auto stop = search->stopWalk;
    search->lister = [disk, held, stop](const folder_walk::Place& place) {
        if (held->atA)
            ++held->listedAfterA;
        if (place.path.endsWith("/A")) {
            held->atA = true;
            QElapsedTimer waited;
            waited.start();
            while (!stop->load() && waited.elapsed() < 20000)
                QThread::msleep(1);
            held->sawStop = stop->load();
        }
        return disk(place);
    };
    QPointer<Search_Frm> gone(search);
    QTRY_VERIFY(held->atA);
    // While the walk is held the window answers: it shows and paints where the walk is.
    QTRY_COMPARE(SearchDriver(search).folderLabel()->text(), r);
    QTRY_VERIFY(watch.paintedLabels.contains(r));
    QCOMPARE(watch.bars, (QList<std::pair<int, int>>{{1, 1}}));

    if (escape)
        QTest::keyClick(search, Qt::Key_Escape);
    else
        search->close();
    // The setup is back at once, without a show.
    QVERIFY(!f.forms->isLoaded(FormId::Search));
    QVERIFY(setup->isVisible());
    QTRY_VERIFY(!gone);
    QVERIFY(held->sawStop);
    QCOMPARE(held->listedAfterA.load(), 0); // A's listing gave up; B was never listed
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
    QCOMPARE(watch.labels, QStringList{r});
    f.desktop.verifyDone();

    // A new run walks afresh and plays the whole tree.
    setup.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().mid(9), (QStringList{r + "/p1.jpg", r + "/A/p2.jpg", r + "/B/p3.jpg"}));
}

void SearchTest::aListingThatIgnoresTheStopDoesNotHoldTheWindow() {
    // A listing stuck on a dead mount does not look at the stop: the window closes and the setup
    // comes back while it is still stuck, and the walk ends on its own once the listing returns.
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/A"));
    const QString r = f.path("R");
    writeSolidPicture(r + "/A/p.jpg", Qt::red);
    SetupDriver setup = f.openSetupOn(r, true);
    QVERIFY(setup);
    setup.run();
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    struct Stuck {
        std::atomic<bool> in{false};
        std::atomic<bool> released{false};
        std::atomic<bool> out{false};
    };
    const auto stuck = std::make_shared<Stuck>();
    const auto disk = search->lister;
    search->lister = [disk, stuck](const folder_walk::Place& place) {
        if (place.path.endsWith("/A")) {
            stuck->in = true;
            QElapsedTimer waited;
            waited.start();
            while (!stuck->released && waited.elapsed() < 10000)
                QThread::msleep(1);
            stuck->out = true;
        }
        return disk(place);
    };
    QTRY_VERIFY(stuck->in);
    QPointer<Search_Frm> gone(search);
    search->close();
    QVERIFY(!f.forms->isLoaded(FormId::Search));
    QVERIFY(setup->isVisible());
    QTRY_VERIFY(!gone);
    QVERIFY(!stuck->out);
    stuck->released = true;
    QTRY_VERIFY(stuck->out);
    QVERIFY(!f.forms->isLoaded(FormId::Player));
}

void SearchTest::picturesAShowCannotHoldAreCountedOutAndToldOnce() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/S") && QDir(f.dir()).mkpath("R/say \"so\""));
    const QString r = f.path("R");
    writeSolidPicture(r + "/a.jpg", Qt::red);
    writeSolidPicture(r + "/b \"1\".jpg", Qt::red);
    writeSolidPicture(r + "/S/c.jpg", Qt::red);
    writeSolidPicture(r + "/S/d\".jpg", Qt::red);
    writeSolidPicture(r + "/say \"so\"/e.jpg", Qt::red);
    f.desktop.expectMessage("Lumora",
                            "3 pictures were left out of the show because their paths hold a double quote "
                            "(\"), which a Lumora file cannot store.",
                            desktop::Icon::Information, desktop::Buttons::Ok);
    QCOMPARE(searchedPictures(f, r), (QStringList{r + "/a.jpg", r + "/S/c.jpg"}));
}

void SearchTest::namesThatAreNotUtf8ReachTheShowByteForByte() {
    // A folder and pictures named in Latin-1, as another system wrote them.
    SetupFixture f;
    const QByteArray raw = QFile::encodeName(f.path("R"));
    QVERIFY(QDir(f.dir()).mkpath("R"));
    QVERIFY(::mkdir((raw + "/d\xe9j\xe0").constData(), 0700) == 0);
    writeSolidPicture(f.path("one.jpg"), Qt::red);
    writeSolidPicture(f.path("two.jpg"), Qt::red);
    QVERIFY(::rename(QFile::encodeName(f.path("one.jpg")).constData(), (raw + "/caf\xe9.jpg").constData()) ==
            0);
    QVERIFY(::rename(QFile::encodeName(f.path("two.jpg")).constData(),
                     (raw + "/d\xe9j\xe0/\xfc.jpg").constData()) == 0);
    SetupDriver setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    QCOMPARE(setup.count(), "Number of Files: 1");
    QCOMPARE(setup.folderList()->findItems(QStringLiteral("d\uFFFDj\uFFFD"), Qt::MatchEndsWith).size(), 1);
    const auto tempBytes = [] {
        QFile file(program_folder::tempIniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    setup.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QVERIFY(tempBytes().endsWith("\"" + raw + "/caf\xe9.jpg\"\r\n\"" + raw + "/d\xe9j\xe0/\xfc.jpg\"\r\n"));
    f.leaveShow();

    // Without subfolders, from inside the Latin-1 folder.
    f.store("Path", native_name::decode(raw + "/d\xe9j\xe0"));
    f.store("Sub Dirs", "0");
    auto* menu = f.forms->as<MENU_Frm>(FormId::Menu);
    QTRY_VERIFY(menu && menu->isVisible());
    MenuDriver(menu).openFolder();
    setup = SetupDriver(f.forms->as<Setup_Frm>(FormId::Setup));
    QVERIFY(setup);
    QCOMPARE(native_name::encode(setup.folder()), raw + "/d\xe9j\xe0");
    QCOMPARE(setup.count(), "Number of Files: 1");
    setup.run();
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QVERIFY(tempBytes().endsWith("\"" + raw + "/d\xe9j\xe0/\xfc.jpg\"\r\n"));
    // Qt cannot name these to remove them with the temporary folder.
    ::unlink((raw + "/caf\xe9.jpg").constData());
    ::unlink((raw + "/d\xe9j\xe0/\xfc.jpg").constData());
    ::rmdir((raw + "/d\xe9j\xe0").constData());
}

void SearchTest::aLinkAtTheTempShowIsReplacedNotWrittenThrough() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/A"));
    writeSolidPicture(f.path("R/A/a.jpg"), Qt::red);
    const QString victim = f.textFile("victim.txt", "the user's own file\n");
    QVERIFY(QFile::link(victim, program_folder::tempIniPath()));
    QCOMPARE(searchedPictures(f, f.path("R")), QStringList{f.path("R/A/a.jpg")});
    QVERIFY(!QFileInfo(program_folder::tempIniPath()).isSymLink());
    QFile file(victim);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "the user's own file\n");
}

QTEST_MAIN(SearchTest)
#include "test_search.moc"
