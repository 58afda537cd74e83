#include "app/CommandLine.h"
#include "app/CommandLineShow.h"
#include "show/ShowFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using command_line::Kind;
using command_line::Refusal;

// What a command line asks for: show files as always, pictures and folders by their content.
class TestCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString previous_;

    QString at(const QString& name) const { return dir_.filePath(name); }
    QString picture(const QString& name, const char* format) const {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::green);
        if (!image.save(at(name), format))
            qFatal("cannot write %s", qPrintable(name));
        return at(name);
    }
    QString text(const QString& name, const QByteArray& bytes) const {
        QFile f(at(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return at(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        picture("a.png", "PNG");
        picture("b.jpg", "JPEG");
        picture("c.bmp", "BMP");
        picture("png named.lmr", "PNG");
        picture(".hidden.png", "PNG");
        QVERIFY(show_file::write(at("show.lmr"), ShowSettings(), {at("a.png")}));
        QFile::copy(at("show.lmr"), at("show named.jpg"));
        text("notes.txt", "not a picture\n");
        QVERIFY(QDir(dir_.path()).mkpath("album/sub"));
        picture("album/z.png", "PNG");
        QVERIFY(::mkfifo(QFile::encodeName(at("pipe.png")).constData(), 0600) == 0);
    }
    void cleanupTestCase() { QDir::setCurrent(previous_); }

    void decides_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("items"); // folders end in "/"; for a refusal, the argument
        QTest::addColumn<int>("refusal");
        const QString d = dir_.path() + '/';
        const int none = -1;
        QTest::newRow("nothing") << QStringList() << int(Kind::Menu) << QStringList() << none;
        QTest::newRow("a show by its content")
            << QStringList{d + "show.lmr"} << int(Kind::ShowFile) << QStringList{d + "show.lmr"} << none;
        QTest::newRow("a show named as a picture") << QStringList{d + "show named.jpg"} << int(Kind::ShowFile)
                                                   << QStringList{d + "show named.jpg"} << none;
        QTest::newRow("a quoted show and words after it")
            << QStringList{"\"" + d + "show.lmr\" and more"} << int(Kind::ShowFile)
            << QStringList{d + "show.lmr"} << none;
        // A file that is neither is still read as a show, which then says it is no show.
        QTest::newRow("a text file alone")
            << QStringList{d + "notes.txt"} << int(Kind::ShowFile) << QStringList{d + "notes.txt"} << none;
        QTest::newRow("a picture") << QStringList{d + "b.jpg"} << int(Kind::Pictures)
                                   << QStringList{d + "b.jpg"} << none;
        QTest::newRow("a picture named as a show") << QStringList{d + "png named.lmr"} << int(Kind::Pictures)
                                                   << QStringList{d + "png named.lmr"} << none;
        QTest::newRow("a picture by a relative name")
            << QStringList{"a.png"} << int(Kind::Pictures) << QStringList{d + "a.png"} << none;
        QTest::newRow("two pictures in the order given")
            << QStringList{d + "c.bmp", d + "a.png"} << int(Kind::Pictures)
            << QStringList{d + "c.bmp", d + "a.png"} << none;
        QTest::newRow("a folder") << QStringList{d + "album"} << int(Kind::Pictures)
                                  << QStringList{d + "album/"} << none;
        QTest::newRow("a picture and a folder") << QStringList{d + "a.png", "album/"} << int(Kind::Pictures)
                                                << QStringList{d + "a.png", d + "album/"} << none;
        QTest::newRow("a missing show") << QStringList{d + "gone.lmr"} << int(Kind::Refused)
                                        << QStringList{d + "gone.lmr"} << int(Refusal::NoSuchFile);
        QTest::newRow("one quote") << QStringList{"\"" + d + "show.lmr"} << int(Kind::Refused)
                                   << QStringList{"\"" + d + "show.lmr"} << int(Refusal::NoSuchFile);
        QTest::newRow("empty quotes")
            << QStringList{"\"\""} << int(Kind::Refused) << QStringList{"\"\""} << int(Refusal::NoSuchFile);
        QTest::newRow("a picture and a missing one")
            << QStringList{d + "a.png", d + "gone.png"} << int(Kind::Refused) << QStringList{d + "gone.png"}
            << int(Refusal::NoSuchFile);
        QTest::newRow("a picture and a text file")
            << QStringList{d + "a.png", d + "notes.txt"} << int(Kind::Refused) << QStringList{d + "notes.txt"}
            << int(Refusal::NotAPictureOrShow);
        QTest::newRow("a picture and a show")
            << QStringList{d + "a.png", d + "show.lmr"} << int(Kind::Refused) << QStringList{d + "show.lmr"}
            << int(Refusal::NotAPictureOrShow);
        QTest::newRow("a FIFO named as a picture")
            << QStringList{d + "a.png", d + "pipe.png"} << int(Kind::Refused) << QStringList{d + "pipe.png"}
            << int(Refusal::NoSuchFile);
        QTest::newRow("the folder setup")
            << QStringList{"--folder"} << int(Kind::Setup) << QStringList() << none;
        QTest::newRow("the maker") << QStringList{"--maker"} << int(Kind::Maker) << QStringList() << none;
    }
    void decides() {
        QFETCH(QStringList, arguments);
        QFETCH(int, kind);
        QFETCH(QStringList, items);
        QFETCH(int, refusal);
        const command_line::Plan plan = command_line::decide(arguments);
        QCOMPARE(int(plan.kind), kind);
        switch (plan.kind) {
        case Kind::ShowFile:
            QCOMPARE(plan.path, items.first());
            break;
        case Kind::Refused:
            QCOMPARE(plan.path, items.first());
            QCOMPARE(int(plan.refusal), refusal);
            break;
        case Kind::Pictures: {
            QStringList got;
            for (const command_line::Item& item : plan.items)
                got << item.path + (item.folder ? "/" : "");
            QCOMPARE(got, items);
            QCOMPARE(plan.fromFolderOf, arguments.size() == 1 && !items.first().endsWith('/'));
            break;
        }
        default:
            QVERIFY(plan.items.isEmpty());
        }
    }

    // A file of that name in the current folder is played, as --help's is.
    void aFileNamedAsAnOptionWins() {
        QVERIFY(show_file::write("--folder", ShowSettings(), {at("a.png")}));
        const command_line::Plan plan = command_line::decide({"--folder"});
        QFile::remove("--folder");
        QCOMPARE(plan.kind, Kind::ShowFile);
    }

    void aPictureStartsItsFolderAndGoesRound() {
        const QString d = dir_.path() + '/';
        // The folder's pictures as its lists show them: name order, by their endings (the show named
        // ".jpg" is listed, and skipped when it cannot be shown), no hidden files, no FIFO.
        const QStringList listed{d + "a.png", d + "b.jpg", d + "c.bmp", d + "show named.jpg"};
        QCOMPARE(command_line_show::folderFrom(d + "c.bmp"),
                 (QStringList{listed[2], listed[3], listed[0], listed[1]}));
        QCOMPARE(command_line_show::folderFrom(d + "a.png"), listed);
        // One the lists leave out is still the one asked for, and comes first.
        QCOMPARE(command_line_show::folderFrom(d + ".hidden.png"), QStringList{d + ".hidden.png"} + listed);
        QCOMPARE(command_line_show::folderFrom(d + "png named.lmr").first(), d + "png named.lmr");
    }

    void picturesAndFoldersKeepTheirOrder() {
        const QString d = dir_.path() + '/';
        const auto plan = command_line::decide({d + "c.bmp", d + "album", d + "a.png"});
        // A folder's own pictures, not its subfolders', when they are not walked.
        QCOMPARE(command_line_show::pictures(plan),
                 (QStringList{d + "c.bmp", d + "album/z.png", d + "a.png"}));
        QVERIFY(command_line_show::walks(plan, true));
        QVERIFY(!command_line_show::walks(plan, false));
        QVERIFY(!command_line_show::walks(command_line::decide({d + "c.bmp", d + "a.png"}), true));
    }

    void refusalsAreOneLine() {
        QCOMPARE(command_line::refusalLine("/x/gone.lmr", command_line::reasonOf(Refusal::NoSuchFile)),
                 QStringLiteral("lumora: /x/gone.lmr: no such file or folder\n"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
