#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Where the temporary show files go. The tests run as root, who may write anywhere, so the choice
// must rest on where the program stands, not on permissions.
class TestProgramFolder : public QObject {
    Q_OBJECT

    static QString privateFolder() {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    }
    static void writeFile(const QString& path) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void systemFoldersAreNeverUsed_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("/usr/bin") << "/usr/bin";
        QTest::newRow("/usr/local/bin") << "/usr/local/bin";
        QTest::newRow("below /usr/lib") << "/usr/lib/lumora";
        QTest::newRow("/opt") << "/opt/lumora/bin";
        QTest::newRow("/bin") << "/bin";
        QTest::newRow("/usr itself") << "/usr";
        QTest::newRow("a folder that is gone") << "/nonexistent-lumora-folder/bin";
    }
    void systemFoldersAreNeverUsed() {
        QFETCH(QString, folder);
        QVERIFY(program_folder::needsPrivateFolder(folder));
    }

    void aPlainFolderIsUsed() {
        QTemporaryDir dir;
        QVERIFY(!program_folder::needsPrivateFolder(dir.path()));
        QCOMPARE(program_folder::tempFolderFor(dir.path()), dir.path());
        // A name that merely begins like a system folder is not one.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("usr")));
        QVERIFY(!program_folder::needsPrivateFolder(dir.path() + QStringLiteral("/usr")));
    }

    // A copy installed under any prefix (say ~/.local) has its desktop entry next to its bin folder.
    void anInstalledCopyKeepsOutOfItsFolder() {
        QTemporaryDir prefix;
        QDir root(prefix.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("share/applications")));
        const QString bin = root.filePath(QStringLiteral("bin"));
        QVERIFY(!program_folder::needsPrivateFolder(bin));
        writeFile(root.filePath(QStringLiteral("share/applications/" LUMORA_APP_ID ".desktop")));
        QVERIFY(program_folder::needsPrivateFolder(bin));
        // Reached through a link, it is still the same installed copy.
        QTemporaryDir links;
        const QString link = links.filePath(QStringLiteral("bin"));
        QVERIFY(QFile::link(bin, link));
        QVERIFY(program_folder::needsPrivateFolder(link));
    }

    void thePrivateFolderIsTheUsersOwn() {
        QVERIFY(privateFolder().startsWith(qEnvironmentVariable("XDG_DATA_HOME") + u'/'));
        // Even a folder left readable by others is closed again.
        QVERIFY(QDir().mkpath(privateFolder()));
        QVERIFY(QFile::setPermissions(privateFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                           QFileDevice::ExeOther));
        QCOMPARE(program_folder::tempFolderFor(QStringLiteral("/usr/bin")), privateFolder());
        QVERIFY(QFileInfo(privateFolder()).isDir());
        const QFileDevice::Permissions owner =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(privateFolder()) & (owner | others), owner);
        QVERIFY(QDir().rmdir(privateFolder()));
        // Created afresh when it is missing.
        QCOMPARE(program_folder::tempFolderFor(QStringLiteral("/usr/bin")), privateFolder());
        QVERIFY(QFileInfo(privateFolder()).isDir());
    }

    void theTemporaryShowsFollowTheChoice() {
        // These tests run from the build tree, which is neither a system folder nor installed.
        const QString own = program_folder::path();
        QVERIFY(!program_folder::needsPrivateFolder(own));
        QCOMPARE(program_folder::tempIniPath(), own + QStringLiteral("/temp.ini"));
        QCOMPARE(program_folder::tempLmrPath(), own + QStringLiteral("/temp.lmr"));
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_programfolder.moc"
