#include "app/CommandLineInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// `--help` and `--version` are answered only while no file of that name stands in the current
// folder; every other command line starts the program as before.
class TestCommandLineInfo : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;
    QString previous_;

    static void makeFile(const QString& name) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"Strech=True\"\r\n");
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder_.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previous_); }
    void cleanup() {
        QFile::remove(QStringLiteral("--help"));
        QFile::remove(QStringLiteral("--version"));
        QDir().rmdir(QStringLiteral("--help"));
    }

    void answers_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("fileHere"); // "", "file" or "folder" named as the command line's word
        QTest::addColumn<QString>("expected"); // "usage", "version" or "" for a normal start
        QTest::newRow("help") << "--help"
                              << ""
                              << "usage";
        QTest::newRow("version") << "--version"
                                 << ""
                                 << "version";
        QTest::newRow("quoted help") << "\"--help\""
                                     << ""
                                     << "usage";
        QTest::newRow("help file wins") << "--help"
                                        << "file"
                                        << "";
        QTest::newRow("version file wins") << "--version"
                                           << "file"
                                           << "";
        QTest::newRow("quoted help file wins") << "\"--help\" and more"
                                               << "file"
                                               << "";
        QTest::newRow("a folder is no show") << "--help"
                                             << "folder"
                                             << "usage";
        QTest::newRow("help with more words") << "--help me"
                                              << ""
                                              << "";
        QTest::newRow("other case") << "--HELP"
                                    << ""
                                    << "";
        QTest::newRow("short form") << "-h"
                                    << ""
                                    << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("a show") << "holiday.lmr"
                                << ""
                                << "";
    }
    void answers() {
        QFETCH(QString, commandLine);
        QFETCH(QString, fileHere);
        QFETCH(QString, expected);
        const QString word = commandLine.contains(QLatin1String("version")) ? QStringLiteral("--version")
                                                                            : QStringLiteral("--help");
        if (fileHere == QLatin1String("file"))
            makeFile(word);
        else if (fileHere == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(word));

        const QString answer = command_line_info::answer(commandLine);
        if (expected == QLatin1String("usage"))
            QCOMPARE(answer, command_line_info::usage());
        else if (expected == QLatin1String("version"))
            QCOMPARE(answer, command_line_info::version());
        else
            QCOMPARE(answer, QString());
    }

    // Only the current folder counts: a "--help" elsewhere does not turn the answer off.
    void fileInAnotherFolderDoesNotCount() {
        QTemporaryDir other;
        QVERIFY(QDir::setCurrent(other.path()));
        makeFile(QStringLiteral("--help"));
        QVERIFY(QDir::setCurrent(folder_.path()));
        QCOMPARE(command_line_info::answer(QStringLiteral("--help")), command_line_info::usage());
    }

    void textsNameTheProgram() {
        QVERIFY(command_line_info::usage().startsWith(QLatin1String("Usage: lumora")));
        QCOMPARE(command_line_info::version(), QStringLiteral("10. Lumora " LUMORA_VERSION "\n"));
        QVERIFY(command_line_info::usage().endsWith(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestCommandLineInfo)
#include "test_commandline_info.moc"
