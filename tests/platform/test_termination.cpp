// How the program ends on a logout's signals and how it meets a file size limit, each in a child
// process of its own (this program run again): one with a message box open, one with a busy event
// loop thread, one writing past `ulimit -f`.
#include "platform/TerminationSignals.h"
#include "show/ShowFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr auto ChildMode = "LUMORA_TERMINATION_CHILD";
constexpr auto ChildFolder = "LUMORA_TERMINATION_FOLDER";
constexpr int NotEnded = 3;

void sayReady() {
    std::puts("ready");
    std::fflush(stdout);
}

// The child: what it does while the parent sends the signal.
int child(int argc, char** argv, const QByteArray& mode) {
    QApplication app(argc, argv);
    const QDir folder(qEnvironmentVariable(ChildFolder));
    termination_signals::endProgramOnSignals(
        [&folder] { QFile(folder.filePath("given back")).open(QIODevice::WriteOnly); },
        std::chrono::milliseconds(300));
    // The temporary shows this copy writes, as the setup and the maker write them.
    for (const char* name : {"temp.ini", "temp.lmr"})
        show_file::write(folder.filePath(name), ShowSettings{}, {}, nullptr, show_file::Replace::TempShow);
    if (mode == "message box") {
        // Ready once the box's own event loop runs.
        QTimer::singleShot(0, sayReady);
        QMessageBox::information(nullptr, "Lumora", "A box that nobody answers");
        return NotEnded;
    }
    if (mode == "nested loop") {
        QTimer::singleShot(0, [] {
            QEventLoop nested;
            QTimer::singleShot(0, sayReady);
            nested.exec();
        });
        app.exec();
        return NotEnded;
    }
    if (mode == "busy") {
        sayReady();
        // Work that never returns to the event loop; the signal interrupts a sleep, not the work.
        QElapsedTimer work;
        work.start();
        while (work.elapsed() < 30000)
            ::usleep(1000);
        return NotEnded;
    }
    if (mode == "file size limit") {
        termination_signals::ignoreFileSizeLimitSignal();
        const rlimit small{4096, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &small);
        QStringList many;
        for (int i = 0; i < 1000; ++i)
            many << QStringLiteral("/pictures/a folder with a long name/%1.jpg").arg(i);
        // The save fails and says so; the process lives on.
        return show_file::write(folder.filePath("big.lmr"), ShowSettings{}, many) ? 1 : 0;
    }
    return 2;
}

} // namespace

class TerminationTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    QProcess* startChild(const char* mode) {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(ChildMode, mode);
        env.insert(ChildFolder, tmp_.path());
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {});
        return p;
    }
    // Another copy's temporary show, written at the name of one of ours, as that copy writes it.
    void writeAnotherCopysShow(const QString& path) {
        QVERIFY(show_file::write(path, ShowSettings{}, {QStringLiteral("/another.jpg")}, nullptr,
                                 show_file::Replace::TempShow));
    }

private slots:
    void signalsEndTheProgramFromAnyState_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("givenBack");
        QTest::addColumn<bool>("anotherCopyWroteSince");
        for (const char* mode : {"message box", "nested loop"})
            for (int signal : {SIGTERM, SIGINT, SIGHUP})
                QTest::addRow("%s, signal %d", mode, signal) << QByteArray(mode) << signal << true << false;
        // The event loop's thread never comes round: the files go all the same, the screen saver
        // is given back by the desktop as the process leaves it.
        QTest::addRow("busy, signal %d", SIGTERM) << QByteArray("busy") << int(SIGTERM) << false << false;
        // Another copy has played a show of its own since: that one is not ours to remove.
        QTest::addRow("another copy's temp.ini") << QByteArray("nested loop") << int(SIGTERM) << true << true;
    }
    void signalsEndTheProgramFromAnyState() {
        QFETCH(QByteArray, mode);
        QFETCH(int, signal);
        QFETCH(bool, givenBack);
        QFETCH(bool, anotherCopyWroteSince);
        QFile::remove(tmp_.filePath("given back"));
        QProcess* p = startChild(mode.constData());
        QVERIFY(p->waitForReadyRead(20000));
        QCOMPARE(p->readAll().trimmed(), "ready");
        QVERIFY(QFile::exists(tmp_.filePath("temp.ini")) && QFile::exists(tmp_.filePath("temp.lmr")));
        if (anotherCopyWroteSince)
            writeAnotherCopysShow(tmp_.filePath("temp.ini"));
        ::kill(pid_t(p->processId()), signal);
        // One signal is enough: no window, box or loop keeps the program.
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::CrashExit);
        QCOMPARE(p->exitCode(), signal);
        QCOMPARE(QFile::exists(tmp_.filePath("temp.ini")), anotherCopyWroteSince);
        QVERIFY(!QFile::exists(tmp_.filePath("temp.lmr")));
        QCOMPARE(QFile::exists(tmp_.filePath("given back")), givenBack);
        QFile::remove(tmp_.filePath("temp.ini"));
    }

    void aWritePastTheFileSizeLimitFailsAndTheProgramLives() {
        QProcess* p = startChild("file size limit");
        QVERIFY(p->waitForFinished(20000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        QVERIFY(!QFile::exists(tmp_.filePath("big.lmr")));
    }
};

int main(int argc, char** argv) {
    if (const QByteArray mode = qgetenv(ChildMode); !mode.isEmpty())
        return child(argc, argv, mode);
    QApplication app(argc, argv);
    TerminationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_termination.moc"
