#include "ScriptedDesktop.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "controls/VolumeList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList texts(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text().trimmed();
    return out;
}

QPoint centreOf(const QListWidget& list, int row) {
    return list.visualItemRect(list.item(row)).center();
}

} // namespace

class FolderListsTest : public QObject {
    Q_OBJECT
private slots:
    void folderListShowsAncestorsAndSubfolders();
    void clickHighlightsDoubleClickAndEnterOpen();
    void fileListFollowsFolderAndPattern();
    void volumeListAsksOnDropDownAndFollowsFolders();
};

void FolderListsTest::folderListShowsAncestorsAndSubfolders() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* sub : {"b", "A", "c", ".hidden"})
        QVERIFY(QDir(d).mkpath(sub));
    QVERIFY(QFile::link(d + "/A", d + "/Linked"));
    touch(d + "/file.jpg");
    FolderList list(nullptr);
    QCOMPARE(list.accessibleName(), "Folders");
    QSignalSpy changed(&list, &FolderList::pathChanged);
    QVERIFY(list.setPath(d + "/A/.."));
    QCOMPARE(list.path(), d);
    QCOMPARE(changed.size(), 1);
    QStringList expected{"/"};
    expected << d.split('/', Qt::SkipEmptyParts);
    expected << QStringList{"A", "b", "c", "Linked"};
    QCOMPARE(texts(list), expected);
    QCOMPARE(list.subfolders(), (QStringList{d + "/A", d + "/b", d + "/c", d + "/Linked"}));
    QCOMPARE(list.currentRow(), expected.size() - 5); // the current folder is highlighted
    QCOMPARE(list.entryPath(0), "/");

    // A folder that cannot be listed leaves everything as it was, and no change is reported.
    QVERIFY(!list.setPath(d + "/missing"));
    QVERIFY(!list.setPath(d + "/file.jpg"));
    QCOMPARE(list.path(), d);
    QVERIFY(list.setPath(d));
    QCOMPARE(changed.size(), 1);
}

void FolderListsTest::clickHighlightsDoubleClickAndEnterOpen() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    QVERIFY(QDir(d).mkpath("one/two"));
    FolderList list(nullptr);
    list.resize(300, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(list.setPath(d));
    const int oneRow = list.count() - 1;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, oneRow));
    QCOMPARE(list.currentRow(), oneRow);
    QCOMPARE(list.path(), d);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, oneRow));
    QCOMPARE(list.path(), d + "/one");
    list.setCurrentRow(list.count() - 1);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.path(), d + "/one/two");
    // Up again through an ancestor.
    list.setCurrentRow(list.count() - 3);
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(list.path(), d);
}

void FolderListsTest::fileListFollowsFolderAndPattern() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* name : {"b.bmp", "a.jpg", "c.txt", "D.JPEG", ".x.gif", "tune.mp3"})
        touch(d + '/' + name);
    QVERIFY(QDir(d).mkpath("sub.jpg"));
    FileList list(nullptr);
    QCOMPARE(list.accessibleName(), "Files");
    list.setPath(d);
    QCOMPARE(list.count(), 3);
    QCOMPARE(texts(list), (QStringList{"a.jpg", "b.bmp", "D.JPEG"}));
    QCOMPARE(list.names(), texts(list));
    list.setPattern("*.mp3;*.txt");
    QCOMPARE(list.names(), (QStringList{"c.txt", "tune.mp3"}));
    list.setPath(d + "/missing");
    QCOMPARE(list.count(), 0);
}

void FolderListsTest::volumeListAsksOnDropDownAndFollowsFolders() {
    ScriptedDesktop desktop;
    desktop.volumeList = {{"/", true}, {"/media/cd", false}, {"/mnt/data", true}};
    BrowserState memory;
    VolumeList list(desktop, memory, nullptr);
    QCOMPARE(list.accessibleName(), "Drive");
    QSignalSpy chosen(&list, &VolumeList::volumeChosen);
    list.refresh();
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.text(), "/");

    // Choosing from code runs the change handling, as a user's choice does; readiness goes along.
    QVERIFY(list.choose("/media/cd"));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<desktop::Volume>().ready, false);
    QCOMPARE(list.text(), "/media/cd");
    QVERIFY(!list.choose("/nowhere"));

    // The folder list moving to another volume: the list follows without a change.
    list.followFolder("/mnt/data/pictures/2024");
    QCOMPARE(list.text(), "/mnt/data");
    QCOMPARE(list.lastFolderOn("/mnt/data"), "/mnt/data/pictures/2024");
    QCOMPARE(list.lastFolderOn("/"), "/");
    // The memory outlives the list: a list made later over it knows the folder.
    QCOMPARE(VolumeList(desktop, memory, nullptr).lastFolderOn("/mnt/data"), "/mnt/data/pictures/2024");
    list.followFolder("/mnt/database");
    QCOMPARE(list.text(), "/");
    QCOMPARE(chosen.size(), 1);

    // Dropping down asks the desktop again; a volume that went away stays shown until another is chosen.
    list.followFolder("/mnt/data/x");
    desktop.volumeList = {{"/", true}, {"/media/usb", true}};
    const int looks = desktop.volumeLooks;
    list.showPopup();
    QCOMPARE(desktop.volumeLooks, looks + 1);
    list.hidePopup();
    QCOMPARE(list.text(), "/mnt/data");
    QCOMPARE(list.current().ready, false);
    QCOMPARE(list.count(), 3);
    QCOMPARE(chosen.size(), 1);
}

QTEST_MAIN(FolderListsTest)
#include "test_folderlists.moc"
