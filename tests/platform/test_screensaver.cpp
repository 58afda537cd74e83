// The screen-saver inhibition against a real session bus of its own (a private dbus-daemon) and a
// screen-saver service that records what it is asked.
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SessionBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.ScreenSaver");

class FakeScreenSaver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;
    bool refuse = false;
    uint nextCookie = 41;

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        if (refuse) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
            return 0;
        }
        return ++nextCookie;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

} // namespace

class ScreenSaverTest : public QObject {
    Q_OBJECT

    QProcess daemon_;
    FakeScreenSaver fake_;
    bool noBus_ = false;

private slots:
    void initTestCase() {
        noBus_ = qEnvironmentVariableIsSet("LUMORA_TEST_NO_BUS");
        if (noBus_)
            return;
        daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
        QVERIFY(daemon_.waitForStarted());
        QTRY_VERIFY(daemon_.canReadLine());
        const QByteArray address = daemon_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(address), "service");
        QVERIFY(service.isConnected());
        QVERIFY(service.registerService(Service));
        QVERIFY(
            service.registerObject("/org/freedesktop/ScreenSaver", &fake_, QDBusConnection::ExportAllSlots));
    }
    void cleanupTestCase() {
        if (noBus_)
            return;
        QDBusConnection::disconnectFromBus("service");
        daemon_.terminate();
        daemon_.waitForFinished();
    }
    void init() {
        fake_.calls.clear();
        fake_.refuse = false;
    }

    void inhibitsOnceAndReleases() {
        if (noBus_)
            QSKIP("needs the private bus");
        ScreenSaverInhibitor inhibitor("10. Lumora");
        inhibitor.inhibit("Playing a picture show");
        inhibitor.inhibit("Playing a picture show");
        QVERIFY(inhibitor.isInhibited());
        QTRY_COMPARE(fake_.calls, QStringList{"Inhibit 10. Lumora: Playing a picture show"});
        inhibitor.release();
        inhibitor.release();
        QVERIFY(!inhibitor.isInhibited());
        QTRY_COMPARE(fake_.calls.size(), 2);
        QCOMPARE(fake_.calls.last(), QStringLiteral("UnInhibit 42"));

        // Paused and resumed: a new inhibition, released with its own cookie.
        inhibitor.inhibit("Playing a picture show");
        QTRY_COMPARE(fake_.calls.size(), 3);
        inhibitor.release();
        QTRY_COMPARE(fake_.calls.size(), 4);
        QCOMPARE(fake_.calls.last(), QStringLiteral("UnInhibit 43"));
    }

    void releasedBeforeTheAnswerAndAtTheEnd() {
        if (noBus_)
            QSKIP("needs the private bus");
        {
            // Released while the answer is on its way: the cookie is handed back when it comes.
            ScreenSaverInhibitor inhibitor("10. Lumora");
            inhibitor.inhibit("show");
            inhibitor.release();
            QTRY_COMPARE(fake_.calls.size(), 2);
            QVERIFY(fake_.calls.last().startsWith("UnInhibit "));
        }
        fake_.calls.clear();
        {
            // Still inhibited when the program ends.
            ScreenSaverInhibitor inhibitor("10. Lumora");
            inhibitor.inhibit("show");
            QTRY_VERIFY(!inhibitor.awaitsAnswer());
            QCOMPARE(fake_.calls.size(), 1);
        }
        QTRY_COMPARE(fake_.calls.size(), 2);
        QVERIFY(fake_.calls.last().startsWith("UnInhibit "));
    }

    void refusalAndAbsenceAreSilent() {
        if (noBus_)
            QSKIP("needs the private bus");
        fake_.refuse = true;
        ScreenSaverInhibitor inhibitor("10. Lumora");
        inhibitor.inhibit("show");
        QTRY_VERIFY(!inhibitor.awaitsAnswer());
        QCOMPARE(fake_.calls.size(), 1);
        inhibitor.release();
        // Nothing to hand back: a later call is the first the service sees after the Inhibit.
        inhibitor.inhibit("again");
        inhibitor.release();
        QTRY_COMPARE(fake_.calls.size(), 2);
        QVERIFY(fake_.calls.last().startsWith("Inhibit "));

        // A bus without the service: nothing is sent, so nothing is awaited.
        ScreenSaverInhibitor nobody("10. Lumora");
        nobody.service = QStringLiteral("org.example.NoScreenSaver");
        nobody.inhibit("show");
        QVERIFY(!nobody.awaitsAnswer());
        nobody.release();
    }

    void withoutASessionBusNoneIsAskedFor() {
        if (noBus_)
            QSKIP("needs the private bus");
        // The bus this process already holds would answer: only the guard keeps the call back.
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", "/nonexistent");
        session_bus::neverAutolaunch();
        ScreenSaverInhibitor inhibitor("10. Lumora");
        inhibitor.inhibit("show");
        QVERIFY(inhibitor.isInhibited() && !inhibitor.awaitsAnswer());
        QTest::qWait(200);
        QVERIFY(fake_.calls.isEmpty());
        inhibitor.release();
    }

    void aSessionBusIsKnownWithoutAskingForOne() {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        QTemporaryDir dir;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        QVERIFY(!session_bus::exists());
        // The user's bus socket, which libdbus finds without the variable.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(dir.path() + "/bus");
        qstrncpy(where.sun_path, socketPath.constData(), sizeof where.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
        QVERIFY(session_bus::exists());
        ::close(fd);
        ::unlink(socketPath.constData());
        QVERIFY(!session_bus::exists());
        // An address asking for a bus to be started is no bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "autolaunch:");
        QVERIFY(!session_bus::exists());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus");
        QVERIFY(session_bus::exists());
        // A bus that is there is left alone; without one, no library may start one.
        session_bus::neverAutolaunch();
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "unix:path=/run/user/1000/bus");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        session_bus::neverAutolaunch();
        QVERIFY(!qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty());
        QVERIFY(!session_bus::exists());
        QProcess send;
        send.start("dbus-send", {"--session", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus.GetId"});
        if (send.waitForStarted()) {
            // libdbus refuses the address at once, starting nothing.
            QVERIFY(send.waitForFinished(5000));
            QVERIFY(send.exitCode() != 0);
            QVERIFY2(send.readAllStandardError().contains("Unknown address type"), "not refused as expected");
        }
    }

    void noBusIsSilent() {
        if (!noBus_)
            QSKIP("runs with a session bus address that leads nowhere");
        QVERIFY(!QDBusConnection::sessionBus().isConnected());
        // No call can go out, so none is awaited, now or after a pause and a resume.
        ScreenSaverInhibitor inhibitor("10. Lumora");
        for (int i = 0; i < 2; ++i) {
            inhibitor.inhibit("show");
            QVERIFY(!inhibitor.awaitsAnswer());
            inhibitor.release();
        }
    }
};

QTEST_GUILESS_MAIN(ScreenSaverTest)
#include "test_screensaver.moc"
