#include "platform/DroppedFiles.h"
#include "platform/NativeName.h"

#include <QDir>
#include <QMimeData>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class DroppedFilesTest : public QObject {
    Q_OBJECT

private slots:
    void uriLists_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("paths");
        const QString host = QSysInfo::machineHostName();
        QTest::newRow("three forms, in order")
            << QByteArray("file:///a/b.jpg\r\nfile:/c.jpg\r\nfile://localhost/d.jpg\r\n")
            << QStringList{"/a/b.jpg", "/c.jpg", "/d.jpg"};
        QTest::newRow("this machine by name")
            << ("file://" + host.toUtf8() + "/e.jpg\n") << QStringList{"/e.jpg"};
        QTest::newRow("comments, blanks, other schemes and hosts")
            << QByteArray("# a comment\r\n\r\n  "
                          "\r\nhttp://x/a.jpg\r\nfile://elsewhere.example/f.jpg\r\nsmb://s/g.jpg\r\n"
                          "FILE:///h.jpg")
            << QStringList{"/h.jpg"};
        QTest::newRow("escapes, query and fragment")
            << QByteArray("file:///a%20b/%22q%22%23%3F.jpg?x=1\nfile:///c.jpg#top\n")
            << QStringList{"/a b/\"q\"#?.jpg", "/c.jpg"};
        QTest::newRow("not UTF-8 kept byte for byte")
            << QByteArray("file:///caf%E9.jpg\r\n") << QStringList{native_name::decode("/caf\xe9.jpg")};
        QTest::newRow("a NUL names no file; relative paths are none")
            << QByteArray("file:///a%00b.jpg\r\nfile:a.jpg\r\nfile://\r\n") << QStringList{};
        QTest::newRow("folders without their last separator")
            << QByteArray("file:///pics/\r\nfile:///\r\nfile:///x//\r\n") << QStringList{"/pics", "/", "/x"};
    }

    void uriLists() {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, paths);
        QCOMPARE(dropped_files::parseUriList(list), paths);
    }

    // What Qt's own drag sources put in a drop reads back as the same paths; a drop without a
    // uri-list offers none.
    void mimeDataAndTheDisk() {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir("sub"));
        QFile file(tmp.filePath("a b.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(tmp.filePath("a b.jpg")), QUrl::fromLocalFile(tmp.filePath("sub")),
                      QUrl("https://example.org/x.jpg")});
        const QStringList paths = dropped_files::localPaths(data);
        QCOMPARE(paths, (QStringList{tmp.filePath("a b.jpg"), tmp.filePath("sub")}));
        QVERIFY(dropped_files::isRegularFile(paths[0]) && !dropped_files::isFolder(paths[0]));
        QVERIFY(dropped_files::isFolder(paths[1]) && !dropped_files::isRegularFile(paths[1]));
        QVERIFY(!dropped_files::isFolder(tmp.filePath("gone")) &&
                !dropped_files::isRegularFile(tmp.filePath("gone")));
        QMimeData text;
        text.setText("file:///a.jpg");
        QVERIFY(dropped_files::localPaths(text).isEmpty());
    }
};

QTEST_MAIN(DroppedFilesTest)
#include "test_droppedfiles.moc"
