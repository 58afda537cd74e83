#include "platform/FolderListing.h"
#include "platform/NativeName.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The folder windows' pattern, as a listing is handed it.
const QString Pictures = QStringLiteral("*.bmp;*.jpg;*.jpeg;*.gif");
} // namespace

class FolderListingTest : public QObject {
    Q_OBJECT
private slots:
    void nameOrder_data();
    void nameOrder();
    void longListsSortAsShortOnesDoAndStop();
    void patterns_data();
    void patterns();
    void listingSortsSeparatesAndHides();
    void pseudoMounts_data();
    void pseudoMounts();
    void volumeHoldingAPath();
    void subfoldersAreEnteredWithoutFollowingLinks();
};

void FolderListingTest::subfoldersAreEnteredWithoutFollowingLinks() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    QVERIFY(QDir(d).mkpath("sub/inner"));
    QVERIFY(QFile(d + "/sub/p.jpg").open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(d + "/sub", d + "/linked"));
    QVERIFY(QFile::link(d + "/sub/p.jpg", d + "/sub/q.jpg"));
    folder_listing::Options options;
    options.keepOpen = true;
    options.linkedFolders = false;
    const auto top = folder_listing::list(d, folder_listing::Pattern(Pictures), options);
    QVERIFY(top && top->folder.isOpen());
    QVERIFY(top->linkedFolders.isEmpty());
    const auto sub =
        folder_listing::listBelow(top->folder, "sub", folder_listing::Pattern(Pictures), options);
    QVERIFY(sub);
    QCOMPARE(sub->files, (QStringList{"p.jpg", "q.jpg"})); // a link to a picture still counts
    QCOMPARE(sub->subfolders, QStringList{"inner"});
    for (const QString& name : QStringList{"linked", "../" + QFileInfo(d).fileName(), "missing", "sub/inner"})
        QVERIFY2(!folder_listing::listBelow(top->folder, name, folder_listing::Pattern(Pictures), options),
                 qPrintable(name));
    // A folder is opened again only while it is still the one that was listed.
    QVERIFY(folder_listing::reopen(d + "/sub", sub->device, sub->inode).isOpen());
    QVERIFY(QDir().rename(d + "/sub", d + "/sub.old"));
    QVERIFY(QFile::link(d + "/sub.old/inner", d + "/sub"));
    QVERIFY(!folder_listing::reopen(d + "/sub", sub->device, sub->inode).isOpen());
}

void FolderListingTest::nameOrder_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("case ignored") << QStringList{"b.jpg", "A.jpg", "c.jpg"}
                                  << QStringList{"A.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("ties broken by case, upper first")
        << QStringList{"a.jpg", "A.jpg", "a.JPG"} << QStringList{"A.jpg", "a.JPG", "a.jpg"};
    QTest::newRow("digits and punctuation by code")
        << QStringList{"img10.jpg", "img9.jpg", "img_1.jpg", "img-1.jpg"}
        << QStringList{"img-1.jpg", "img10.jpg", "img9.jpg", "img_1.jpg"};
    QTest::newRow("accented letters fold their case")
        << QStringList{"\u00e9t\u00e9.jpg", "\u00c9t\u00e9.jpg", "zoo.jpg"}
        << QStringList{"zoo.jpg", "\u00c9t\u00e9.jpg", "\u00e9t\u00e9.jpg"};
}

void FolderListingTest::nameOrder() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    folder_listing::sortNames(names);
    QCOMPARE(names, sorted);
}

void FolderListingTest::longListsSortAsShortOnesDoAndStop() {
    // Past a few thousand names the sort goes by runs and merges: the order stays the same.
    QStringList names;
    std::mt19937 random(29);
    for (int i = 0; i < 20000; ++i)
        names << QStringLiteral("%1%2.jpg").arg(i % 3 ? "img" : "IMG").arg(random() % 50000);
    QStringList expected = names;
    std::stable_sort(expected.begin(), expected.end(), folder_listing::nameLess);
    QStringList sorted = names;
    QVERIFY(folder_listing::sortNames(sorted));
    QCOMPARE(sorted, expected);
    const std::atomic<bool> stop{true};
    QVERIFY(!folder_listing::sortNames(names, &stop));
}

void FolderListingTest::patterns_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const QString pictures = Pictures;
    QTest::newRow("jpg") << pictures << "a.jpg" << true;
    QTest::newRow("upper case JPG") << pictures << "DSC001.JPG" << true;
    QTest::newRow("mixed Jpeg") << pictures << "x.JpEg" << true;
    QTest::newRow("gif, bmp") << pictures << "a.b.gif" << true;
    QTest::newRow("png is no picture here") << pictures << "a.png" << false;
    QTest::newRow("suffix alone is no match") << pictures << ".jpg" << false;
    QTest::newRow("jpg inside the name") << pictures << "a.jpg.txt" << false;
    QTest::newRow("star-dot-star takes names without a dot") << "*.*"
                                                             << "README" << true;
    QTest::newRow("question mark") << "img?.jpg"
                                   << "IMG1.JPG" << true;
    QTest::newRow("question mark, two characters") << "img?.jpg"
                                                   << "img12.jpg" << false;
    QTest::newRow("blanks around parts") << " *.mp3 ; *.wav"
                                         << "a.WAV" << true;
}

void FolderListingTest::patterns() {
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(folder_listing::Pattern(pattern).matches(name), matches);
}

void FolderListingTest::listingSortsSeparatesAndHides() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* name : {"b.bmp", "a.jpg", "c.txt", ".hidden.jpg", "Z.GIF"}) {
        QFile f(d + '/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(d).mkpath("sub/x"));
    QVERIFY(QDir(d).mkpath("Alpha"));
    QVERIFY(QDir(d).mkpath(".git"));
    QVERIFY(QDir(d).mkpath("folder.jpg")); // a folder is no picture, whatever its name
    QVERIFY(QFile::link(d + "/sub", d + "/linked"));
    QVERIFY(QFile::link(d + "/a.jpg", d + "/link.jpg"));
    QVERIFY(QFile::link(d + "/missing.jpg", d + "/dangling.jpg"));
    QVERIFY(mkfifo(QFile::encodeName(d + "/pipe.jpg").constData(), 0600) == 0);
    // Names in Latin-1 on a UTF-8 system: listed, their bytes kept.
    const QByteArray raw = QFile::encodeName(d);
    const int latin = ::open((raw + "/caf\xe9.jpg").constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(latin >= 0);
    ::close(latin);
    QVERIFY(mkdir((raw + "/d\xe9j\xe0").constData(), 0700) == 0);
    QVERIFY(QFile(d + "/\u00e9t\u00e9.jpg").open(QIODevice::WriteOnly));

    const auto listing = folder_listing::list(d, folder_listing::Pattern(Pictures));
    QVERIFY(listing);
    const QString cafe = native_name::decode("caf\xe9.jpg");
    QCOMPARE(listing->files, (QStringList{"a.jpg", "b.bmp", cafe, "link.jpg", "Z.GIF", "\u00e9t\u00e9.jpg"}));
    QCOMPARE(listing->subfolders,
             (QStringList{"Alpha", native_name::decode("d\xe9j\xe0"), "folder.jpg", "sub"}));
    QCOMPARE(listing->linkedFolders, QStringList{"linked"});
    QCOMPARE(folder_listing::picturesOf(d, Pictures), listing->files);

    QVERIFY(!folder_listing::list(d + "/missing", folder_listing::Pattern(Pictures)));
    QVERIFY(!folder_listing::list(d + "/a.jpg", folder_listing::Pattern(Pictures)));
    QVERIFY(folder_listing::picturesOf(d + "/missing", Pictures).isEmpty());
    // Qt cannot name these to remove them with the temporary folder.
    ::unlink((raw + "/caf\xe9.jpg").constData());
    ::rmdir((raw + "/d\xe9j\xe0").constData());
}

void FolderListingTest::pseudoMounts_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<bool>("pseudo");
    QTest::newRow("root") << "/" << QByteArray("ext4") << false;
    QTest::newRow("usb stick") << "/media/me/USB" << QByteArray("vfat") << false;
    QTest::newRow("snap package") << "/snap/core/123" << QByteArray("squashfs") << true;
    QTest::newRow("boot") << "/boot/efi" << QByteArray("vfat") << true;
    QTest::newRow("document portal") << "/run/user/1000/doc" << QByteArray("fuse.portal") << true;
    QTest::newRow("gvfs") << "/run/user/1000/gvfs" << QByteArray("fuse.gvfsd-fuse") << true;
    QTest::newRow("proc") << "/proc" << QByteArray("proc") << true;
    QTest::newRow("run tmpfs") << "/run/lock" << QByteArray("tmpfs") << true;
    QTest::newRow("user's own tmpfs") << "/mnt/scratch" << QByteArray("tmpfs") << false;
    QTest::newRow("bootstrap is no boot") << "/bootstrap" << QByteArray("ext4") << false;
}

void FolderListingTest::pseudoMounts() {
    QFETCH(QString, root);
    QFETCH(QByteArray, type);
    QFETCH(bool, pseudo);
    QCOMPARE(volumes::isPseudo(root, type), pseudo);
}

void FolderListingTest::volumeHoldingAPath() {
    const QList<desktop::Volume> v{{"/", true}, {"/mnt/data", true}, {"/mnt/data/inner", true}};
    QCOMPARE(volumes::holding(v, "/home/me"), 0);
    QCOMPARE(volumes::holding(v, "/mnt/data"), 1);
    QCOMPARE(volumes::holding(v, "/mnt/database"), 0);
    QCOMPARE(volumes::holding(v, "/mnt/data/inner/x"), 2);
    QCOMPARE(volumes::holding({{"/mnt/data", true}}, "/home"), -1);
}

QTEST_GUILESS_MAIN(FolderListingTest)
#include "test_folderlisting.moc"
