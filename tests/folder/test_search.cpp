#include "SetupFixture.h"
#include "controls/FolderList.h"
#include "controls/HiddenTextField.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/FormTimer.h"
#include "platform/ProgramFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Records what the search window shows while it walks, and that the label and the bar are drawn
// while the walk holds the event loop.
struct Watch : QObject {
    explicit Watch(Search_Frm* s) {
        connect(s, &Search_Frm::folderShown, this, [this](const QString& f) { labels << f; });
        connect(s, &Search_Frm::barShown, this, [this](int maximum, int value) {
            bars << std::pair{maximum, value};
        });
        s->Label1->installEventFilter(this);
        s->Search_Bar->installEventFilter(this);
        label = s->Label1;
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

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void walksTheTreeShowsItAndPlaysIt();
    void treeWithoutPicturesBringsTheSetupBack();
    void unreadableFoldersAreSkipped();
    void windowIsLaidOutAndNamed();
    void closedBeforeTheWalkBringsTheSetupBack();
};

void SearchTest::walksTheTreeShowsItAndPlaysIt() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/A/A1") && QDir(f.dir()).mkpath("R/B"));
    const QString r = f.path("R");
    writeSolidPicture(r + "/p1.jpg", Qt::red);
    writeSolidPicture(r + "/A/p2.jpg", Qt::green);
    writeSolidPicture(r + "/A/A1/p3.JPG", Qt::blue);
    writeSolidPicture(r + "/B/p4.bmp", Qt::yellow);
    Setup_Frm* setup = f.openSetupOn(r, true);
    QVERIFY(setup);
    QCOMPARE(setup->Num_Files_Lbl->text(), "Number of Files: 1");
    setup->Delay_Scroll->setValue(9);

    QTest::mouseClick(setup->Run_btn, Qt::LeftButton);
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    QVERIFY(!setup->isVisible());
    QCOMPARE(search->Dir_Txt->text(), r);
    QCOMPARE(search->Search_Bar->maximum(), 100);
    QCOMPARE(search->Search_Bar->value(), 0);
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
    Setup_Frm* setup = f.openSetupOn(f.path("E"), true);
    QVERIFY(setup);
    f.desktop.expectMessage("ERROR", "No Files in Directory!", desktop::Icon::Exclamation,
                            desktop::Buttons::Ok);
    QTest::keyClick(setup, Qt::Key_Return);
    QTRY_VERIFY(!f.forms->isLoaded(FormId::Search));
    f.desktop.verifyDone();
    QVERIFY(setup->isVisible());
    QVERIFY(!f.forms->isLoaded(FormId::Player));
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));

    // A later search is a fresh one: the bar back at 0 of 100.
    writeSolidPicture(f.path("E/x/y/z.bmp"), Qt::red);
    QTest::mouseClick(setup->Run_btn, Qt::LeftButton);
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search && search->Search_Bar->maximum() == 100 && search->Search_Bar->value() == 0);
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().mid(9), QStringList{f.path("E/x/y/z.bmp")});
}

void SearchTest::unreadableFoldersAreSkipped() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R/locked") && QDir(f.dir()).mkpath("R/open"));
    writeSolidPicture(f.path("R/locked/a.jpg"), Qt::red);
    writeSolidPicture(f.path("R/open/b.jpg"), Qt::red);
    writeSolidPicture(f.path("R/open/say \"x\".jpg"), Qt::red); // cannot be stored: left out
    QVERIFY(QFile::link(f.path("R"), f.path("R/open/loop")));
    Setup_Frm* setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    QTest::mouseClick(setup->Run_btn, Qt::LeftButton);
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    // Tests run as root, which reads every folder: the listing is made to fail instead.
    const auto disk = search->lister;
    search->lister = [disk](const QString& folder) -> std::optional<folder_listing::Listing> {
        if (folder.endsWith("/locked"))
            return std::nullopt;
        return disk(folder);
    };
    QTRY_VERIFY(f.forms->isLoaded(FormId::Player));
    QCOMPARE(f.tempShowLines().mid(9), QStringList{f.path("R/open/b.jpg")});
}

void SearchTest::windowIsLaidOutAndNamed() {
    SetupFixture f;
    QVERIFY(QDir(f.dir()).mkpath("R"));
    writeSolidPicture(f.path("R/a.jpg"), Qt::red);
    Setup_Frm* setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    QTest::mouseClick(setup->Run_btn, Qt::LeftButton);
    auto* search = f.forms->as<Search_Frm>(FormId::Search);
    QVERIFY(search);
    QCOMPARE(search->windowTitle(), "Searching Subfolders");
    QCOMPARE(search->size(), QSize(418, 107));
    QCOMPARE(search->Search_Bar->geometry(), QRect(6, 21, 400, 16));
    QCOMPARE(search->Search_Bar->accessibleName(), "Directory Depth");
    QCOMPARE(search->Label1->accessibleDescription(), "Current Directory");
    QVERIFY(search->Trigger_Timer->isEnabled());
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
    Setup_Frm* setup = f.openSetupOn(f.path("R"), true);
    QVERIFY(setup);
    QTest::mouseClick(setup->Run_btn, Qt::LeftButton);
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

QTEST_MAIN(SearchTest)
#include "test_search.moc"
