#include "platform/TemporaryShows.h"
#include "show/Colour.h"
#include "show/FieldReader.h"
#include "show/ShowFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using show_file::ReadError;

Q_DECLARE_METATYPE(show_file::ReadError)

namespace {

const QStringList exampleLines{"Strech=True", "Ratio=1",    "Shuff=0", "Delay=5",     "BackCol=0",  "Loop=1",
                               "Message=1",   "UseMusic=0", "Music=",  "/pics/a.jpg", "/pics/b.jpg"};
const QStringList exampleSettings{"stretch=1", "ratio=1",   "shuffle=0", "delay=5", "colour=0",
                                  "loop=1",    "message=1", "music=0",   "path="};

// Show file text as a writer produces it: every line quoted, lines ended by `eol`.
QString quoted(const QStringList& lines, const QString& eol = QStringLiteral("\r\n")) {
    QString text;
    for (const QString& line : lines)
        text += u'"' + line + u'"' + eol;
    return text;
}

QString plain(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QStringList fieldsOf(const QString& text) {
    FieldReader reader(text);
    QStringList fields;
    while (const auto field = reader.next())
        fields << *field;
    return fields;
}

// The settings a read found, one "name=value" per setting that was set.
QStringList settingsOf(const ShowFileContent& c) {
    QStringList out;
    const auto flag = [&out](const char* name, const std::optional<bool>& v) {
        if (v)
            out << QString::fromLatin1(name) + (*v ? "=1" : "=0");
    };
    flag("stretch", c.stretch);
    flag("ratio", c.keepRatio);
    flag("shuffle", c.shuffle);
    if (c.delaySeconds)
        out << "delay=" + QString::number(*c.delaySeconds);
    if (c.backColour)
        out << "colour=" + QString::number(*c.backColour);
    flag("loop", c.loop);
    flag("message", c.pauseMessage);
    flag("music", c.useMusic);
    if (c.musicPath)
        out << "path=" + *c.musicPath;
    return out;
}

// Writes a show of some 5 KB while files may grow to 1 KB only, as on a full disk.
bool writeCutShort(const QString& path, show_file::Replace how, QString* error) {
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QStringLiteral("/pics/a picture with a long name %1.jpg").arg(i);
    rlimit old{};
    if (::getrlimit(RLIMIT_FSIZE, &old) != 0)
        qFatal("no file size limit to lower");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
        qFatal("the file size limit cannot be lowered");
    const bool written = show_file::write(path, ShowSettings{}, many, error, how);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return written;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestShowFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // A button colour unlike every other role, so that the button face cannot match by chance.
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        QApplication::setPalette(palette);
    }

    void fieldReader_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("quoted CR LF") << "\"a b\"\r\n\"c\"\r\n" << QStringList{"a b", "c"};
        QTest::newRow("LF only") << "a\nb\n" << QStringList{"a", "b"};
        QTest::newRow("CR only") << "a\rb\r" << QStringList{"a", "b"};
        QTest::newRow("LF then CR is two line ends") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty line") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
        QTest::newRow("trailing empty line") << "a\r\n\r\n" << QStringList{"a", ""};
        QTest::newRow("no final line end") << "a\r\nb" << QStringList{"a", "b"};
        QTest::newRow("unquoted comma") << "C:\\a,b.jpg\r\n" << QStringList{"C:\\a", "b.jpg"};
        QTest::newRow("quoted comma") << "\"/p/a,b.jpg\"\r\nc" << QStringList{"/p/a,b.jpg", "c"};
        QTest::newRow("leading spaces skipped") << "  a\r\n   \"b\"\r\n" << QStringList{"a", "b"};
        QTest::newRow("after closing quote dropped") << "\"a\" junk,b\r\n" << QStringList{"a", "b"};
        QTest::newRow("unclosed quote runs to end") << "\"a\r\nb" << QStringList{"a\r\nb"};
        QTest::newRow("nothing") << "" << QStringList{};
    }

    void fieldReader() {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        QCOMPARE(fieldsOf(text), fields);
        FieldReader reader(text);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            QVERIFY(!reader.atEnd());
            QVERIFY(reader.next());
        }
        QVERIFY(reader.atEnd());
        QVERIFY(!reader.next());
        QVERIFY(!reader.next());
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("pictures");
        const QStringList pics{"/pics/a.jpg", "/pics/b.jpg"};
        const auto ok = [](const char* name, const QString& text, const QStringList& settings,
                           const QStringList& pictures) {
            QTest::newRow(name) << text << ReadError::None << settings << pictures;
        };
        // A failed read keeps what it read before the failure.
        const auto fails = [](const char* name, const QString& text, ReadError error,
                              const QStringList& settings = {}, const QStringList& pictures = {}) {
            QTest::newRow(name) << text << error << settings << pictures;
        };
        // The example with some lines replaced.
        const auto example = [](std::initializer_list<std::pair<int, const char*>> changes) {
            QStringList lines = exampleLines;
            for (const auto& [index, text] : changes)
                lines[index] = QString::fromUtf8(text);
            return quoted(lines);
        };

        ok("example", quoted(exampleLines), exampleSettings, pics);
        ok("LF only", quoted(exampleLines, "\n"), exampleSettings, pics);
        ok("CR only", quoted(exampleLines, "\r"), exampleSettings, pics);
        ok("unquoted", plain(exampleLines), exampleSettings, pics);
        // As some text editors write UTF-8: the mark is no part of the first setting.
        ok("byte order mark", QChar(0xFEFF) + quoted(exampleLines), exampleSettings, pics);
        ok("byte order mark, unquoted", QChar(0xFEFF) + plain(exampleLines), exampleSettings, pics);
        ok("other values",
           quoted({"Strech=False", "Ratio=0", "Shuff=1", "Delay=2.5", "BackCol=-2147483633", "Loop=0",
                   "Message=0", "UseMusic=1", "Music=/m/a=b.mp3"}),
           {"stretch=0", "ratio=0", "shuffle=1", "delay=2.5", "colour=-2147483633", "loop=0", "message=0",
            "music=1", "path=/m/a=b.mp3"},
           {});
        ok("stretch line missing shifts the rest", quoted(exampleLines.mid(1)), {}, exampleLines.mid(1));
        ok("lower-case key is a picture", example({{0, "strech=True"}}), exampleSettings.mid(1),
           QStringList{"strech=True"} + pics);
        // Another slot's key is never read as a setting, junk or not.
        ok("each slot tests only its own texts",
           example({{1, "Ratio=2"}, {2, "Delay=x"}, {3, "Delay =5"}, {5, "Loop=True"}, {8, "Music"}}),
           {"stretch=1", "colour=0", "message=1", "music=0"},
           QStringList{"Ratio=2", "Delay=x", "Delay =5", "Loop=True", "Music"} + pics);
        ok("blank picture line", quoted(exampleLines.mid(0, 10)) + "\r\n" + quoted(pics.mid(1)),
           exampleSettings, {"/pics/a.jpg", "", "/pics/b.jpg"});
        ok("unquoted picture with comma", quoted(exampleLines.mid(0, 10)) + "/pics/c,d.jpg\r\n",
           exampleSettings, {"/pics/a.jpg", "/pics/c", "d.jpg"});

        QStringList bare;
        for (int i = 1; i <= 10; ++i)
            bare << QString("/pics/%1.jpg").arg(i);
        ok("bare picture paths", plain(bare), {}, bare);
        ok("nine bare fields", plain(bare.mid(0, 9)), {}, bare.mid(0, 9));
        ok("eight lines, one with a comma", plain(bare.mid(0, 7) << "/pics/x,y.jpg"), {},
           bare.mid(0, 7) + QStringList{"/pics/x", "y.jpg"});

        const QString eight = quoted(exampleLines.mid(0, 8));
        const QStringList eightSettings = exampleSettings.mid(0, 8);
        fails("eight lines", eight, ReadError::TooFewFields, eightSettings);
        fails("eight lines, no line end", eight.chopped(2), ReadError::TooFewFields, eightSettings);
        fails("empty file", QString(), ReadError::TooFewFields);
        fails("only a byte order mark", QString(QChar(0xFEFF)), ReadError::TooFewFields);
        fails("five bare paths", plain(bare.mid(0, 5)), ReadError::TooFewFields, {}, bare.mid(0, 5));
        for (const char* delay : {"Delay=five", "Delay=", "Delay=5s", "Delay=1,5"})
            fails(delay, example({{3, delay}}), ReadError::DelayNotANumber, exampleSettings.mid(0, 3));
        for (const char* colour : {"BackCol=red", "BackCol=", "BackCol=2147483648"})
            fails(colour, example({{4, colour}}), ReadError::ColourNotANumber, exampleSettings.mid(0, 4));
        fails("bad colour after pictures", quoted({"/p/1.jpg", "/p/2.jpg", "BackCol=red"}),
              ReadError::TooFewFields, {}, {"/p/1.jpg", "/p/2.jpg", "BackCol=red"});
    }

    void parse() {
        QFETCH(QString, text);
        QFETCH(ReadError, error);
        const auto result = show_file::parse(text);
        QCOMPARE(result.error, error);
        QFETCH(QStringList, settings);
        QFETCH(QStringList, pictures);
        QCOMPARE(settingsOf(result.content), settings);
        QCOMPARE(result.content.pictures, pictures);
    }

    // Each text as a delay ("x": not a number, "-": refused as an interval) and as a whole number.
    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("milliseconds");
        QTest::addColumn<QString>("whole");
        const auto row = [](const char* text, const char* ms, const char* whole) {
            QTest::newRow(qPrintable(QString("'%1'").arg(text))) << text << ms << whole;
        };
        row("5", "5000", "5");
        row("0", "0", "0");
        row("2.5", "2500", "2");
        row("3.5", "3500", "4");
        row("-2.5", "-", "-2");
        row("60", "60000", "60");
        row("70", "-", "70");
        row("65.535", "65535", "66");
        row("65.536", "-", "66");
        row("65.5355", "-", "66"); // 65535.5 ms goes to even: 65536
        row("0.0025", "2", "0");
        row("0.0035", "4", "0");
        row(" .5 ", "500", "0");
        row("1E3", "-", "1000");
        row("-2147483633", "-", "-2147483633");
        row("+2147483647", "-", "2147483647");
        row("-2147483648", "-", "-2147483648");
        row("2147483648", "-", "-");
        row("2147483647.5", "-", "-");
        for (const char* junk : {"", " ", "abc", "5x", "0x10", "1,5", ".", "inf", "nan", "1e999", "- 5"})
            row(junk, "x", "-");
    }

    void numbers() {
        QFETCH(QString, text);
        QFETCH(QString, milliseconds);
        QFETCH(QString, whole);
        const auto shown = [](const auto& v) { return v ? QString::number(*v) : QStringLiteral("-"); };
        const auto seconds = show_file::parseNumber(text);
        QCOMPARE(seconds ? shown(show_file::delayToMilliseconds(*seconds)) : QStringLiteral("x"),
                 milliseconds);
        QCOMPARE(shown(show_file::parseInt32(text)), whole);
    }

    void composeMatchesTheFormatExample() {
        const ShowSettings s{true, true, false, 5, 0, true, true, false, QString()};
        const QByteArray expected = "\"Strech=True\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n\"Delay=5\"\r\n"
                                    "\"BackCol=0\"\r\n\"Loop=1\"\r\n\"Message=1\"\r\n\"UseMusic=0\"\r\n"
                                    "\"Music=\"\r\n\"/pics/a.jpg\"\r\n\"/pics/b.jpg\"\r\n";
        QCOMPARE(show_file::compose(s, {"/pics/a.jpg", "/pics/b.jpg"}).value_or(""), expected);
    }

    // A quoted field runs to the next double quote: only a path holding one cannot be stored, and the
    // writer refuses it rather than write a line that reads back as another.
    void pathsAShowCanHold_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("storable");
        QTest::newRow("comma and apostrophe") << "/p/a, b's.jpg" << true;
        QTest::newRow("blanks and line break") << " /p/two\r\nlines .jpg" << true;
        QTest::newRow("equals sign") << "/m/a=b.mp3" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("quoted word") << "/p/say \"cheese\".jpg" << false;
        QTest::newRow("lone quote at the end") << "/p/a.jpg\"" << false;
    }

    void pathsAShowCanHold() {
        QFETCH(QString, path);
        QFETCH(bool, storable);
        QCOMPARE(show_file::storable(path), storable);
        const QStringList kept =
            storable ? QStringList{"/p/1.jpg", path, "/p/2.jpg"} : QStringList{"/p/1.jpg", "/p/2.jpg"};
        QCOMPARE(show_file::storablePaths({"/p/1.jpg", path, "/p/2.jpg"}), kept);
        QCOMPARE(show_file::compose({}, {"/p/1.jpg", path}).has_value(), storable);
        ShowSettings music;
        music.musicPath = path;
        QCOMPARE(show_file::compose(music, {"/p/1.jpg"}).has_value(), storable);

        QTemporaryDir dir;
        const QString file = dir.filePath("show.lmr");
        const QByteArray before = quoted(exampleLines).toUtf8();
        writeFile(file, before);
        QString error;
        QCOMPARE(show_file::write(file, music, {path}, &error), storable);
        if (storable) {
            QCOMPARE(show_file::read(file).content.pictures, QStringList{path});
        } else {
            QVERIFY(error.contains("double quote"));
            QCOMPARE(contentOf(file), before);
        }
    }

    void writeThenReadRoundTrips() {
        QTemporaryDir dir;
        const QString path = dir.filePath("show.lmr");
        writeFile(path, QByteArray(4096, 'x')); // a longer old file must not leave a tail behind

        const ShowSettings s{
            false, false, true, 60, colour::ButtonFace, false, false, true, "/music/a=b, c.mp3"};
        const QStringList pictures{"/pics/with, comma.jpg", "/pics/Ära ß.jpg", "  /pics/lead.jpg", "",
                                   "/pics/with, comma.jpg"};
        QString error;
        QVERIFY(show_file::write(path, s, pictures, &error));
        QCOMPARE(contentOf(path), show_file::compose(s, pictures).value_or(""));

        const auto result = show_file::read(path);
        QCOMPARE(result.error, ReadError::None);
        QCOMPARE(settingsOf(result.content),
                 (QStringList{"stretch=0", "ratio=0", "shuffle=1", "delay=60", "colour=-2147483633", "loop=0",
                              "message=0", "music=1", "path=/music/a=b, c.mp3"}));
        QCOMPARE(result.content.pictures, pictures);
    }

    void headOfAShow() {
        QTemporaryDir dir;
        const QString path = dir.filePath("head.lmr");
        ShowSettings s;
        s.delaySeconds = 3;
        QVERIFY(show_file::write(path, s, {"/pics/a.jpg", "/pics/b.jpg", "/pics/c.jpg"}));
        const auto head = show_file::readHead(path, 1);
        QCOMPARE(head.error, show_file::ReadError::None);
        QCOMPARE(head.content.pictures, QStringList{"/pics/a.jpg"});
        QCOMPARE(head.content.delaySeconds, std::optional<double>(3));
        // A settings line that is not its slot's setting is an entry here too, and counts.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"odd\"\r\n\"Ratio=1\"\r\n\"Shuff=0\"\r\n\"Delay=1\"\r\n\"BackCol=0\"\r\n\"Loop=0\"\r\n"
                   "\"Message=1\"\r\n\"UseMusic=0\"\r\n\"Music=\"\r\n\"/pics/a.jpg\"\r\n");
        file.close();
        QCOMPARE(show_file::readHead(path, 1).content.pictures, QStringList{"odd"});
        QCOMPARE(show_file::readHead(path, 5).content.pictures, (QStringList{"odd", "/pics/a.jpg"}));
        QCOMPARE(show_file::readHead(dir.filePath("none.lmr"), 1).error, show_file::ReadError::CannotOpen);
    }

    void failedWriteLeavesTheOldFile() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        const QString folder = dir.filePath("locked");
        const QString path = folder + "/show.lmr";
        const QByteArray before = quoted(exampleLines).toUtf8();
        writeFile(path, before);
        // The file itself stays writable: only a writer that truncates in place could change it.
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);

        // Root passes every permission check; test as an unprivileged user instead.
        const bool root = ::geteuid() == 0;
        if (root)
            ::setfsuid(65534);
        QString error;
        const bool written = show_file::write(path, ShowSettings{}, {"/pics/new.jpg"}, &error);
        if (root)
            ::setfsuid(0);
        ::chmod(QFile::encodeName(folder).constData(), 0755);

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(contentOf(path), before);
    }

    // A write cut short (a full disk, a file size limit) is a failure, and the old file stays whole.
    void shortWriteFailsAndLeavesTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("show.lmr");
        const QByteArray before = quoted(exampleLines).toUtf8();
        writeFile(path, before);
        QVERIFY(!writeCutShort(path, show_file::Replace::UserFile, nullptr));
        QCOMPARE(contentOf(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"show.lmr"});
    }

    // A temporary show replaces a link planted at its name and never writes through it; a user's
    // show that is a link is saved into the show the link names, as before.
    void linksAtTheNameOfAShow() {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim.txt");
        const QByteArray precious = "the user's own file\n";
        const QByteArray show = show_file::compose(ShowSettings{}, {"/pics/a.jpg"}).value_or("");
        for (const auto how : {show_file::Replace::TempShow, show_file::Replace::UserFile}) {
            writeFile(victim, precious);
            const QString path = dir.filePath("temp.ini");
            QFile::remove(path);
            QVERIFY(QFile::link(victim, path));
            QString error;
            QVERIFY2(show_file::write(path, ShowSettings{}, {"/pics/a.jpg"}, &error, how), qPrintable(error));
            const bool temp = how == show_file::Replace::TempShow;
            QCOMPARE(contentOf(victim), temp ? precious : show);
            QCOMPARE(QFileInfo(path).isSymLink(), !temp);
            QCOMPARE(contentOf(path), show);
            if (temp)
                QCOMPARE(QFileInfo(path).permissions() & 0x0077, QFileDevice::Permissions()); // owner's only
        }
        // A dangling link to a file elsewhere does not create that file.
        const QString elsewhere = dir.filePath("elsewhere.lmr");
        const QString path = dir.filePath("temp.lmr");
        QVERIFY(QFile::link(elsewhere, path));
        QVERIFY(
            show_file::write(path, ShowSettings{}, {"/pics/a.jpg"}, nullptr, show_file::Replace::TempShow));
        QVERIFY(!QFileInfo::exists(elsewhere));
        QVERIFY(!QFileInfo(path).isSymLink());

        // A temporary show cut short fails, leaves the link as it was and no file of its own behind.
        QFile::remove(path);
        QVERIFY(QFile::link(victim, path));
        QString error;
        QVERIFY(!writeCutShort(path, show_file::Replace::TempShow, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{"temp.ini", "temp.lmr", "victim.txt"}));
    }

    // Copies take turns on the folder of their temporary shows: one ending while another holds the
    // folder (writing a show of its own there) leaves the name alone rather than check a stamp that
    // may change before the removal.
    void endingCopyWaitsItsTurnOnTheFolder() {
        QTemporaryDir dir;
        const QString path = dir.filePath("temp.ini");
        QVERIFY(
            show_file::write(path, ShowSettings{}, {"/pics/a.jpg"}, nullptr, show_file::Replace::TempShow));
        {
            const temporary_shows::FolderLock anotherCopy(path);
            QVERIFY(anotherCopy.locked());
            QVERIFY(!temporary_shows::FolderLock(path, std::chrono::milliseconds(0)).locked());
            temporary_shows::removeOurs();
            QVERIFY(QFile::exists(path));
        }
        QVERIFY(
            show_file::write(path, ShowSettings{}, {"/pics/a.jpg"}, nullptr, show_file::Replace::TempShow));
        temporary_shows::removeOurs();
        QVERIFY(!QFile::exists(path));
    }

    void readRefusesWhatIsNoFile() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("pipe.lmr");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        for (const QString& path : {fifo, dir.path(), dir.filePath("missing.lmr"), QString()}) {
            auto pending = std::async(std::launch::async, [path] { return show_file::read(path).error; });
            if (pending.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
                // Release the blocked reader so that the test can end, then fail.
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                ::close(fd);
                QFAIL(qPrintable("reading blocked: " + path));
            }
            QCOMPARE(pending.get(), ReadError::CannotOpen);
        }
    }

    void readHoldsOnlyWhatAShowCanHold() {
        QTemporaryDir dir;
        const QByteArray settings = quoted(exampleLines.mid(0, 9)).toUtf8();
        const auto readBack = [&dir](const QByteArray& head, qint64 size = -1) {
            const QString path = dir.filePath("show.lmr");
            writeFile(path, head);
            // The rest of the file, if any, is a hole of zeros that takes no disk.
            if (size >= 0)
                [&] { QVERIFY(::truncate(QFile::encodeName(path).constData(), size) == 0); }();
            return show_file::read(path);
        };

        // Fields of any length a path can have, wherever the pieces the file is read in begin;
        // a CR LF split between two pieces is still one line end.
        const QByteArray longest(FieldReader::MaxFieldBytes, 'p');
        const QByteArray split = QByteArray(64 * 1024 - settings.size() - 3, 'q');
        auto result = readBack(settings + '"' + split + "\"\r\n" + longest + "\r\n,x");
        QCOMPARE(result.error, ReadError::None);
        QCOMPARE(result.content.pictures,
                 (QStringList{QString::fromLatin1(split), QString::fromLatin1(longest), "", "x"}));

        // Longer than any path: not a show, and found out without reading on.
        QCOMPARE(readBack(settings + longest + 'p').error, ReadError::TooLarge);
        QCOMPARE(readBack(QByteArray(), qint64(2) << 30).error, ReadError::TooLarge);
        QCOMPARE(readBack(settings + "\"a\" ", qint64(1) << 30).error, ReadError::TooLarge);
        QCOMPARE(readBack(settings + "\"", qint64(1) << 30).error, ReadError::TooLarge);

        // The most entries a show may have, and one more.
        result = readBack(settings + QByteArray(show_file::MaxEntries, '\n'));
        QCOMPARE(result.error, ReadError::None);
        QCOMPARE(result.content.pictures.size(), show_file::MaxEntries);
        result = readBack(settings + QByteArray(show_file::MaxEntries + 1, '\n'));
        QCOMPARE(result.error, ReadError::TooLarge);
        QCOMPARE(result.content.pictures.size(), show_file::MaxEntries);
    }

    void colours_data() {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("black") << qint32(0) << true << QColor(0, 0, 0);
        QTest::newRow("red is the low byte") << qint32(0x0000FF) << true << QColor(255, 0, 0);
        QTest::newRow("blue is the high byte") << qint32(0xFF0000) << true << QColor(0, 0, 255);
        QTest::newRow("mixed") << qint32(0x123456) << true << QColor(0x56, 0x34, 0x12);
        QTest::newRow("button face") << qint32(-2147483633) << true << QColor(1, 2, 3);
        QTest::newRow("stray high byte") << qint32(0x01000000) << false << QColor();
        QTest::newRow("minus one") << qint32(-1) << false << QColor();
        QTest::newRow("no such system colour") << qint32(0x80000019) << false << QColor();
        QTest::newRow("system colour with junk") << qint32(0x8000010F) << false << QColor();
    }

    void colours() {
        QFETCH(qint32, value);
        QFETCH(bool, accepted);
        QFETCH(QColor, colour);
        const auto mapped = colour::toQColor(value);
        QCOMPARE(mapped.has_value(), accepted);
        if (accepted)
            QCOMPARE(mapped->rgb(), colour.rgb());
        if (accepted && value >= 0)
            QCOMPARE(colour::fromQColor(colour), value);
    }
};

QTEST_MAIN(TestShowFile)
#include "test_showfile.moc"
