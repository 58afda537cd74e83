#include "platform/General.h"
#include "show/SettingsStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace settings;

namespace {

const QString menu = QString::fromLatin1(MenuApp);
const QString maker = QString::fromLatin1(MakerApp);
const QString section = QString::fromLatin1(Section);

// A data row of two texts.
void row(const char* name, const QString& first, const QString& second) {
    QTest::newRow(name) << first << second;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        // The store must never reach the user's own configuration.
        QVERIFY(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(qEnvironmentVariable("LUMORA_TEST_HOME")));
        QVERIFY(!qEnvironmentVariableIsEmpty("LUMORA_TEST_HOME"));
        QVERIFY(dir_.isValid());
    }

    void init() {
        for (const QString& app : {menu, maker}) {
            QSettings s(QSettings::IniFormat, QSettings::UserScope, app);
            s.clear();
            s.sync();
        }
    }

    void absentEntriesGiveTheDefault() {
        QCOMPARE(GetSetting(menu, section, "Delay", "5"), QString("5"));
        QCOMPARE(GetSetting(maker, section, "Path", "c:\\"), QString("c:\\"));
        QCOMPARE(GetSetting(menu, section, "MusicPath", ""), QString());
        SaveSetting(menu, section, "Delay", "20");
        QCOMPARE(GetSetting(menu, "Other", "Delay", "5"), QString("5"));
        QCOMPARE(GetSetting(menu, section, "Loop", "1"), QString("1"));
        QCOMPARE(GetSetting("10. Lumora Nowhere", section, "Delay", "5"), QString("5"));
    }

    void valuesRoundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        row("number", "Delay", "20");
        row("negative colour", "Colour", "-2147483633");
        row("word", "Display Mode", "False");
        row("drive root", "Path", "c:\\");
        row("comma", "MusicPath", "/home/me/a, b.mp3");
        row("INI control characters", "MusicPath", "/x;y#z=[w]\"q\".mid");
        row("blanks around", "Path", " /a b/ ");
        row("at sign", "Path", "@Invalid()");
        row("non-ASCII", "Path", "/home/me/Bilder/Ära");
        row("empty is not absent", "Path", "");
    }

    void valuesRoundTrip() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        SaveSetting(menu, section, key, "old");
        SaveSetting(menu, section, key, value);
        QCOMPARE(GetSetting(menu, section, key, "default"), value);
    }

    void applicationsAreKeptApart() {
        SaveSetting(menu, section, "Delay", "20");
        QCOMPARE(GetSetting(maker, section, "Delay", "5"), QString("5"));
        SaveSetting(maker, section, "Delay", "7");
        QCOMPARE(GetSetting(menu, section, "Delay", "5"), QString("20"));
        QCOMPARE(GetSetting(maker, section, "Delay", "5"), QString("7"));
        QCOMPARE(GetInt(menu, "Delay", 5, 0, 60), 20);
        QCOMPARE(GetInt(maker, "Delay", 5, 0, 60), 7);
        // On disk in the user's configuration folder, one file per application.
        QStringList holding;
        QDirIterator it(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            holding << (text.contains("Delay=20") ? "20" : text.contains("Delay=7") ? "7" : "other");
        }
        holding.sort();
        QCOMPARE(holding, (QStringList{"20", "7"}));
    }

    void getInt_data() {
        QTest::addColumn<QString>("stored"); // "<absent>": no entry at all
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected");
        QTest::newRow("absent") << "<absent>" << 0 << 60 << -7;
        QTest::newRow("in range") << "20" << 0 << 60 << 20;
        QTest::newRow("lowest") << "0" << 0 << 60 << 0;
        QTest::newRow("highest") << "60" << 0 << 60 << 60;
        QTest::newRow("above") << "61" << 0 << 60 << -7;
        QTest::newRow("below") << "-1" << 0 << 60 << -7;
        QTest::newRow("junk") << "abc" << 0 << 60 << -7;
        QTest::newRow("empty") << "" << 0 << 60 << -7;
        QTest::newRow("trailing junk") << "5x" << 0 << 60 << -7;
        QTest::newRow("half to even") << "2.5" << 0 << 60 << 2;
        QTest::newRow("beyond 32 bits") << "99999999999" << INT_MIN << INT_MAX << -7;
        QTest::newRow("button face") << "-2147483633" << INT_MIN << INT_MAX << -2147483633;
    }

    void getInt() {
        QFETCH(QString, stored);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, expected);
        if (stored != "<absent>")
            SaveSetting(menu, section, "Delay", stored);
        QCOMPARE(GetInt(menu, "Delay", -7, min, max), expected);
    }

    void getBool_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected"); // -1: the fallback
        QTest::newRow("absent") << "<absent>" << -1;
        QTest::newRow("True") << "True" << 1;
        QTest::newRow("False") << "False" << 0;
        QTest::newRow("junk") << "maybe" << -1;
        QTest::newRow("empty") << "" << -1;
    }

    void getBool() {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        if (stored != "<absent>")
            SaveSetting(maker, section, "Display Mode", stored);
        for (const bool fallback : {false, true})
            QCOMPARE(GetBool(maker, "Display Mode", fallback), expected < 0 ? fallback : expected == 1);
    }

    void stripQuotes_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("path");
        row("quoted with blanks", "\"/home/me/My Shows/a.lmr\"", "/home/me/My Shows/a.lmr");
        row("followed by words", "\"/a b.lmr\" --full 2", "/a b.lmr");
        row("text before dropped", "play \"/a.lmr\"", "/a.lmr");
        row("third quote ignored", "\"/a\"b\"", "/a");
        row("unquoted unchanged", "/home/me/a b.lmr", "/home/me/a b.lmr");
        row("one quote unchanged", "/a \"b.lmr", "/a \"b.lmr");
        row("empty pair", "\"\"", "");
        row("empty", "", "");
    }

    void stripQuotes() {
        QFETCH(QString, commandLine);
        QFETCH(QString, path);
        QCOMPARE(general::Strip_Quotes(commandLine), path);
    }

    void fileExists_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        const QString d = dir_.path();
        QFile file(d + "/show.lmr");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QDir(d).mkdir("folder"));
        QVERIFY(::mkfifo(QFile::encodeName(d + "/pipe").constData(), 0600) == 0);
        QVERIFY(QFile::link(d + "/show.lmr", d + "/link"));
        QVERIFY(QFile::link(d + "/gone.lmr", d + "/dangling"));
        QVERIFY(QFile::link(d + "/folder", d + "/folderlink"));
        QTest::newRow("file") << d + "/show.lmr" << true;
        QTest::newRow("link to file") << d + "/link" << true;
        QTest::newRow("folder") << d + "/folder" << false;
        QTest::newRow("link to folder") << d + "/folderlink" << false;
        QTest::newRow("FIFO") << d + "/pipe" << false;
        QTest::newRow("dangling link") << d + "/dangling" << false;
        QTest::newRow("missing") << d + "/gone.lmr" << false;
        QTest::newRow("device") << "/dev/null" << false;
        QTest::newRow("empty") << "" << false;
    }

    void fileExists() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QCOMPARE(general::File_Exists(path), exists);
    }

    void fullPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("full");
        row("root", "/", "/a.jpg");
        row("folder", "/home/me/Pictures", "/home/me/Pictures/a.jpg");
        row("folder with separator", "/home/me/", "/home/me/a.jpg");
    }

    void fullPath() {
        QFETCH(QString, folder);
        QFETCH(QString, full);
        QCOMPARE(general::Full_Path(folder, "a.jpg"), full);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
