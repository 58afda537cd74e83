#include "folder/FolderWalk.h"
#include "platform/NativeName.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the folders and (empty) files named by `paths` below `root`; a name ending in "/" is a folder.
void build(const QString& root, const QStringList& paths) {
    for (const QString& p : paths) {
        if (p.endsWith(u'/')) {
            QVERIFY(QDir(root).mkpath(p));
            continue;
        }
        QVERIFY(QDir(root).mkpath(QFileInfo(p).path()));
        QFile f(root + u'/' + p);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

using Bar = QList<std::pair<int, int>>;

struct Recorded {
    QStringList pictures;
    QStringList folders;
    Bar bar;
};

Recorded walkRecorded(const QString& start, const folder_walk::Lister& lister = folder_walk::diskLister()) {
    Recorded r;
    folder_walk::Progress progress;
    progress.folderChanged = [&](const QString& f) { r.folders << f; };
    progress.barChanged = [&](int maximum, int value) { r.bar << std::pair{maximum, value}; };
    r.pictures = folder_walk::walk(start, lister, progress);
    return r;
}

QStringList relative(const QString& root, const QStringList& paths) {
    QStringList out;
    for (const QString& p : paths)
        out << (p == root ? QStringLiteral(".") : p.mid(root.size() + 1));
    return out;
}

} // namespace

class FolderWalkTest : public QObject {
    Q_OBJECT
private slots:
    void treesGiveTheirPicturesInOrder_data();
    void treesGiveTheirPicturesInOrder();
    void linksToFoldersAreNotFollowed();
    void aFolderEnteredTwiceByABindLoopIsSkipped();
    void aFolderThatCannotBeListedIsSkipped();
    void aFolderRemovedDuringTheWalkIsSkipped();
    void anUnreadableStartGivesNothing();
    void countsAreNotLimitedTo16Bits();
    void aFolderSwappedForALinkIsNotFollowed_data();
    void aFolderSwappedForALinkIsNotFollowed();
    void latin1NamesKeepTheirBytes();
    void aStoppedWalkEndsAtOnce();
    void fileSystemsAreKnownByTheirType_data();
    void fileSystemsAreKnownByTheirType();
    void virtualFileSystemsBelowTheStartAreNotEntered();
    void theRealProcIsNotEntered();
};

void FolderWalkTest::treesGiveTheirPicturesInOrder_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<Bar>("bar");

    QTest::newRow("four folders") << QStringList{"A/A1/p3.jpg", "A/p2.jpg", "B/p4.jpg", "p1.jpg"}
                                  << QStringList{"p1.jpg", "A/p2.jpg", "A/A1/p3.jpg", "B/p4.jpg"}
                                  << QStringList{".", "A", "A/A1", "A", ".", "B", "."}
                                  << Bar{{1, 1}, {3, 2}, {5, 3}, {5, 2}};
    QTest::newRow("pictures only in a subfolder")
        << QStringList{"Empty/Sub/x.gif", "Empty/notes.txt"} << QStringList{"Empty/Sub/x.gif"}
        << QStringList{".", "Empty", "Empty/Sub", "Empty", "."} << Bar{{1, 1}, {4, 3}};
    QTest::newRow("no pictures anywhere") << QStringList{"a/b/", "c/readme.txt", "d.psd"} << QStringList{}
                                          << QStringList{".", "a", "a/b", "a", ".", "c", "."} << Bar{{1, 1}};
    QTest::newRow("no subfolders") << QStringList{"b.bmp", "a.jpg", "c.txt"} << QStringList{"a.jpg", "b.bmp"}
                                   << QStringList{"."} << Bar{{1, 1}};
    QTest::newRow("mixed case, name order, hidden left out")
        << QStringList{"B.JPG", "a.Jpeg", "b.gif", "C.Bmp", ".hidden.jpg", ".h/x.jpg", "x.jpg.txt", "jpg"}
        << QStringList{"a.Jpeg", "b.gif", "B.JPG", "C.Bmp"} << QStringList{"."} << Bar{{1, 1}};
    QTest::newRow("sibling order ignores case")
        << QStringList{"b/2.jpg", "A/1.jpg", "C/3.jpg"} << QStringList{"A/1.jpg", "b/2.jpg", "C/3.jpg"}
        << QStringList{".", "A", ".", "b", ".", "C", "."} << Bar{{1, 1}, {3, 2}, {4, 2}, {4, 2}};
}

void FolderWalkTest::treesGiveTheirPicturesInOrder() {
    QFETCH(QStringList, tree);
    QFETCH(QStringList, pictures);
    QFETCH(QStringList, folders);
    QFETCH(Bar, bar);
    QTemporaryDir tmp;
    build(tmp.path(), tree);
    const Recorded r = walkRecorded(tmp.path());
    QCOMPARE(relative(tmp.path(), r.pictures), pictures);
    QCOMPARE(relative(tmp.path(), r.folders), folders);
    QCOMPARE(r.bar, bar);
}

void FolderWalkTest::linksToFoldersAreNotFollowed() {
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "B/b.jpg"});
    // A link back to the start (a loop) and a link to a folder beside it.
    QVERIFY(QFile::link(tmp.path(), tmp.path() + "/A/up"));
    QVERIFY(QFile::link(tmp.path() + "/B", tmp.path() + "/A/toB"));
    // A link to a picture counts as the picture.
    QVERIFY(QFile::link(tmp.path() + "/B/b.jpg", tmp.path() + "/A/linked.jpg"));
    const Recorded r = walkRecorded(tmp.path());
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"A/a.jpg", "A/linked.jpg", "B/b.jpg"}));
}

void FolderWalkTest::aFolderEnteredTwiceByABindLoopIsSkipped() {
    // A bind mount shows an ancestor again under another path: same device and inode.
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "A/loop/"});
    const QString root = tmp.path();
    const auto disk = folder_walk::diskLister();
    int listings = 0;
    const folder_walk::Lister lister = [&](const folder_walk::Place& place) {
        ++listings;
        return place.path.endsWith("/loop") ? disk(folder_walk::Place{root, nullptr, QString()})
                                            : disk(place);
    };
    const Recorded r = walkRecorded(root, lister);
    QCOMPARE(relative(root, r.pictures), QStringList{"A/a.jpg"});
    QCOMPARE(listings, 3);
}

void FolderWalkTest::aFolderThatCannotBeListedIsSkipped() {
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "B/b.jpg", "B/Deep/d.jpg", "C/c.jpg"});
    const auto disk = folder_walk::diskLister();
    const folder_walk::Lister lister =
        [&](const folder_walk::Place& place) -> std::optional<folder_listing::Listing> {
        if (place.path.endsWith("/B"))
            return std::nullopt;
        return disk(place);
    };
    const Recorded r = walkRecorded(tmp.path(), lister);
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"A/a.jpg", "C/c.jpg"}));
    QVERIFY(!r.folders.contains(tmp.path() + "/B"));
}

void FolderWalkTest::aFolderRemovedDuringTheWalkIsSkipped() {
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "B/b.jpg", "C/c.jpg"});
    const auto disk = folder_walk::diskLister();
    const folder_walk::Lister lister = [&](const folder_walk::Place& place) {
        if (place.path.endsWith("/A"))
            QDir(tmp.path() + "/B").removeRecursively();
        return disk(place);
    };
    const Recorded r = walkRecorded(tmp.path(), lister);
    // The walk goes on to the next sibling, not back to the first or to nowhere.
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"A/a.jpg", "C/c.jpg"}));
}

void FolderWalkTest::anUnreadableStartGivesNothing() {
    QTemporaryDir tmp;
    const Recorded r = walkRecorded(tmp.path() + "/missing");
    QVERIFY(r.pictures.isEmpty());
    QVERIFY(r.folders.isEmpty());
    QVERIFY(r.bar.isEmpty());
}

void FolderWalkTest::countsAreNotLimitedTo16Bits() {
    // 40,000 pictures in one folder and 40,000 subfolders beside them, through an injected lister.
    constexpr int Many = 40000;
    const folder_walk::Lister lister =
        [](const folder_walk::Place& place) -> std::optional<folder_listing::Listing> {
        const QString& folder = place.path;
        folder_listing::Listing l;
        l.device = 1;
        l.inode = qHash(folder);
        if (folder == u"/r") {
            for (int i = 0; i < Many; ++i) {
                l.files << QStringLiteral("p%1.jpg").arg(i, 5, 10, QChar(u'0'));
                l.subfolders << QStringLiteral("d%1").arg(i, 5, 10, QChar(u'0'));
            }
        } else {
            l.files << QStringLiteral("q.jpg");
        }
        return l;
    };
    const QStringList pictures = folder_walk::walk(QStringLiteral("/r"), lister);
    QCOMPARE(pictures.size(), 2 * Many);
    QCOMPARE(pictures.at(Many - 1), QStringLiteral("/r/p39999.jpg"));
    QCOMPARE(pictures.last(), QStringLiteral("/r/d39999/q.jpg"));
}

void FolderWalkTest::aFolderSwappedForALinkIsNotFollowed_data() {
    QTest::addColumn<QString>("swapped");
    QTest::addColumn<QString>("listedFirst");
    QTest::addColumn<QStringList>("pictures");
    // Swapped after its parent was listed, just before it is entered.
    QTest::newRow("a subfolder") << "B"
                                 << "A" << QStringList{"A/a.jpg", "A/x.jpg"};
    // Deep folders are not held open: their parent is opened again by path for each subfolder, and
    // a parent that is no longer the folder that was listed has nothing entered below it.
    QString deep;
    for (int level = 0; level < 140; ++level)
        deep += QStringLiteral("d/");
    QTest::newRow("the parent of a deep folder")
        << deep.chopped(1) << deep + "x" << QStringList{"A/a.jpg", "B/b.jpg", deep + "x/x.jpg"};
}

void FolderWalkTest::aFolderSwappedForALinkIsNotFollowed() {
    QFETCH(QString, swapped);
    QFETCH(QString, listedFirst);
    QFETCH(QStringList, pictures);
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/root";
    build(root, {"A/a.jpg", "B/b.jpg", listedFirst + "/x.jpg", swapped + "/y/y.jpg"});
    // What the link leads to: a tree of its own with the same shape.
    const QString outside = tmp.path() + "/outside";
    build(outside, {"b.jpg", "y/y.jpg", "x/x.jpg"});
    bool done = false;
    const auto disk = folder_walk::diskLister();
    const folder_walk::Lister lister = [&](const folder_walk::Place& place) {
        auto listing = disk(place);
        if (!done && place.path == root + "/" + listedFirst) {
            done = true;
            const QString at = root + "/" + swapped;
            if (!QDir().rename(at, at + ".old") || !QFile::link(outside, at))
                qFatal("cannot swap %s", qPrintable(at));
        }
        return listing;
    };
    const Recorded r = walkRecorded(root, lister);
    QVERIFY(done);
    QCOMPARE(relative(root, r.pictures), pictures);
}

void FolderWalkTest::latin1NamesKeepTheirBytes() {
    QTemporaryDir tmp;
    const QByteArray raw = QFile::encodeName(tmp.path());
    QVERIFY(::mkdir((raw + "/d\xe9j\xe0").constData(), 0700) == 0);
    for (const QByteArray& name : {QByteArray("/caf\xe9.jpg"), QByteArray("/d\xe9j\xe0/\xfc.gif")}) {
        const int fd = ::open((raw + name).constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    const Recorded r = walkRecorded(tmp.path());
    QCOMPARE(r.pictures.size(), 2);
    QCOMPARE(native_name::encode(r.pictures[0]), raw + "/caf\xe9.jpg");
    QCOMPARE(native_name::encode(r.pictures[1]), raw + "/d\xe9j\xe0/\xfc.gif");
    QCOMPARE(native_name::encode(r.folders[1]), raw + "/d\xe9j\xe0");
    // Qt cannot name these to remove them with the temporary folder.
    ::unlink((raw + "/caf\xe9.jpg").constData());
    ::unlink((raw + "/d\xe9j\xe0/\xfc.gif").constData());
    ::rmdir((raw + "/d\xe9j\xe0").constData());
}

void FolderWalkTest::aStoppedWalkEndsAtOnce() {
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "B/b.jpg", "C/c.jpg"});
    std::atomic<bool> stop{false};
    int listings = 0;
    const auto disk = folder_walk::diskLister(picture_formats::pattern(), &stop);
    const folder_walk::Lister lister = [&](const folder_walk::Place& place) {
        ++listings;
        if (place.path.endsWith("/A"))
            stop = true;
        return disk(place); // the listing itself gives up too
    };
    folder_walk::Progress progress;
    const QStringList pictures = folder_walk::walk(tmp.path(), lister, progress, &stop);
    QCOMPARE(listings, 2);
    QVERIFY(pictures.isEmpty());
}

void FolderWalkTest::fileSystemsAreKnownByTheirType_data() {
    QTest::addColumn<qint64>("type");
    QTest::addColumn<QByteArray>("mountType");
    QTest::addColumn<bool>("isVirtual");
    QTest::newRow("proc") << qint64(0x9fa0) << QByteArray("proc") << true;
    QTest::newRow("sysfs") << qint64(0x62656572) << QByteArray("sysfs") << true;
    QTest::newRow("devpts") << qint64(0x1cd1) << QByteArray("devpts") << true;
    QTest::newRow("cgroup2") << qint64(0x63677270) << QByteArray("cgroup2") << true;
    QTest::newRow("cgroup") << qint64(0x27e0eb) << QByteArray("cgroup") << true;
    QTest::newRow("debugfs") << qint64(0x64626720) << QByteArray("debugfs") << true;
    QTest::newRow("tracefs") << qint64(0x74726163) << QByteArray("tracefs") << true;
    QTest::newRow("securityfs") << qint64(0x73636673) << QByteArray("securityfs") << true;
    QTest::newRow("pstore") << qint64(0x6165676c) << QByteArray("pstore") << true;
    QTest::newRow("bpf, a signed word") << qint64(qint32(0xcafe4a11)) << QByteArray("bpf") << true;
    QTest::newRow("configfs") << qint64(0x62656570) << QByteArray("configfs") << true;
    QTest::newRow("mqueue") << qint64(0x19800202) << QByteArray("mqueue") << true;
    QTest::newRow("hugetlbfs") << qint64(0x958458f6) << QByteArray("hugetlbfs") << true;
    QTest::newRow("autofs") << qint64(0x0187) << QByteArray("autofs") << true;
    QTest::newRow("fusectl") << qint64(0x65735543) << QByteArray("fusectl") << true;
    QTest::newRow("devtmpfs") << qint64(0x01021994) << QByteArray("devtmpfs") << true;
    QTest::newRow("tmpfs") << qint64(0x01021994) << QByteArray("tmpfs") << false;
    QTest::newRow("ext4") << qint64(0xef53) << QByteArray("ext4") << false;
    QTest::newRow("vfat on /media") << qint64(0x4d44) << QByteArray("vfat") << false;
    QTest::newRow("nfs") << qint64(0x6969) << QByteArray("nfs4") << false;
    QTest::newRow("cifs") << qint64(0xff534d42) << QByteArray("cifs") << false;
    QTest::newRow("fuse of pictures") << qint64(0x65735546) << QByteArray("fuse.sshfs") << false;
}

void FolderWalkTest::fileSystemsAreKnownByTheirType() {
    QFETCH(qint64, type);
    QFETCH(QByteArray, mountType);
    QFETCH(bool, isVirtual);
    const auto kind = folder_listing::fileSystemOf(type, [&] { return mountType; });
    QCOMPARE(kind == folder_listing::FileSystem::Virtual, isVirtual);
}

void FolderWalkTest::virtualFileSystemsBelowTheStartAreNotEntered() {
    QTemporaryDir tmp;
    build(tmp.path(), {"a.jpg", "A/a.jpg", "Kernel/k.jpg", "Kernel/Deeper/d.jpg", "Network/n.jpg"});
    const auto disk = folder_walk::diskLister();
    QString virtualName = "Kernel";
    const folder_walk::Lister lister = [&](const folder_walk::Place& place) {
        auto listing = disk(place);
        if (listing && QFileInfo(place.path).fileName() == virtualName)
            listing->fileSystem = folder_listing::FileSystem::Virtual;
        return listing;
    };
    Recorded r = walkRecorded(tmp.path(), lister);
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"a.jpg", "A/a.jpg", "Network/n.jpg"}));
    QVERIFY(!r.folders.contains(tmp.path() + "/Kernel"));
    // A start the person chose is walked whatever it is kept on; the folders below it are judged.
    virtualName = QFileInfo(tmp.path() + "/Kernel").fileName();
    r = walkRecorded(tmp.path() + "/Kernel", lister);
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"Kernel/k.jpg", "Kernel/Deeper/d.jpg"}));
    virtualName = "Deeper";
    r = walkRecorded(tmp.path() + "/Kernel", lister);
    QCOMPARE(relative(tmp.path(), r.pictures), QStringList{"Kernel/k.jpg"});
}

void FolderWalkTest::theRealProcIsNotEntered() {
    // The kernel's own /proc, reached from / as "Include Subfolders" reaches it.
    if (folder_listing::list("/proc", folder_listing::Pattern("*"))->fileSystem !=
        folder_listing::FileSystem::Virtual)
        QFAIL("/proc is not known as a kernel file system");
    const auto disk = folder_walk::diskLister(QStringLiteral("*"));
    const folder_walk::Lister onlyProc = [&](const folder_walk::Place& place) {
        auto listing = disk(place);
        if (listing && place.path == "/")
            listing->subfolders = QStringList{"proc"};
        return listing;
    };
    Recorded r = walkRecorded("/", onlyProc);
    QCOMPARE(r.folders, QStringList{"/"});
    QVERIFY(!r.pictures.contains("/proc/version"));
    // The kernel's /dev is a tmpfs to statfs; it is told apart by its mount's type.
    QFile mounts("/proc/self/mountinfo");
    QVERIFY(mounts.open(QIODevice::ReadOnly));
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QByteArrayList fields = line.split(' ');
        if (fields.size() < 10 || (fields.at(4) != "/dev" && fields.at(4) != "/dev/shm"))
            continue;
        const auto kind =
            folder_listing::list(QString::fromUtf8(fields.at(4)), folder_listing::Pattern("*"))->fileSystem;
        QCOMPARE(kind == folder_listing::FileSystem::Virtual,
                 fields.at(fields.indexOf("-") + 1) == "devtmpfs");
    }

    // A proc mounted inside a tree of pictures, where this test may mount one (as root).
    QTemporaryDir tmp;
    build(tmp.path(), {"A/a.jpg", "proc/", "Z/z.jpg"});
    // Wherever the temporary folder is kept (a disk, a tmpfs), it is no kernel file system.
    QCOMPARE(folder_listing::list(tmp.path(), folder_listing::Pattern("*"))->fileSystem,
             folder_listing::FileSystem::Disk);
    const QByteArray mountPoint = QFile::encodeName(tmp.path() + "/proc");
    if (::mount("proc", mountPoint.constData(), "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
        QSKIP("no proc of its own can be mounted here");
    r = walkRecorded(tmp.path(), folder_walk::diskLister(QStringLiteral("*")));
    ::umount2(mountPoint.constData(), MNT_DETACH);
    QCOMPARE(relative(tmp.path(), r.pictures), (QStringList{"A/a.jpg", "Z/z.jpg"}));
    QCOMPARE(relative(tmp.path(), r.folders), (QStringList{".", "A", ".", "Z", "."}));
}

QTEST_GUILESS_MAIN(FolderWalkTest)
#include "test_folderwalk.moc"
