// The show steered from the desktop's media controls (MPRIS), against a real session bus of the
// test's own: its name while it plays, the calls that step, pause and end it, and what it says of
// the picture on screen.
#include "PlayerDriver.h"
#include "PrivateBus.h"
#include "ShowFixture.h"
#include "forms/Forms.h"
#include "player/Main_Frm.h"
#include "player/ShowRemote.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLabel>
#include <QTest>

#include <unistd.h>

namespace {

const QString Name = QStringLiteral("org.mpris.MediaPlayer2.lumora");
const QString Path = QStringLiteral("/org/mpris/MediaPlayer2");
const QString Player = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

class TestPlayerRemote : public QObject {
    Q_OBJECT
    std::unique_ptr<PrivateBus> bus_;
    QDBusConnection client_{QString()};
    QList<QVariantMap> changes_;

    // A call as playerctl makes it, answered while this thread goes on serving the player.
    QDBusMessage call(const QString& service, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, Path, interface, method);
        m.setArguments(arguments);
        return client_.call(m, QDBus::BlockWithGui);
    }
    QVariant property(const QString& service, const QString& name) {
        const QDBusMessage reply = call(service, "org.freedesktop.DBus.Properties", "Get", {Player, name});
        return reply.arguments().isEmpty() ? QVariant()
                                           : reply.arguments().first().value<QDBusVariant>().variant();
    }
    bool named(const QString& service) { return client_.interface()->isServiceRegistered(service); }

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == Player)
            changes_ << changed;
    }

    void initTestCase() {
        bus_ = std::make_unique<PrivateBus>();
        QVERIFY(bus_->isRunning());
        client_ = QDBusConnection::connectToBus(QString::fromUtf8(bus_->address()), "client");
        QVERIFY(client_.isConnected());
        QVERIFY(client_.connect(QString(), Path, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                                SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus("client");
        bus_.reset();
    }

    void theShowIsSteeredFromTheBus() {
        ShowFixture f;
        ShowSettings s = plainSettings(true);
        s.pauseMessage = true;
        const QStringList pics{f.picture("red.bmp", Qt::red), f.picture("green.bmp", Qt::green),
                               f.picture("blue.bmp", Qt::blue)};
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        PlayerDriver player = f.play(f.show("holiday.lmr", s, pics));
        QVERIFY(player);
        QTRY_VERIFY(named(Name));
        const auto current = [&] { return f.forms->playerState().currentPath; };
        QCOMPARE(property(Name, "PlaybackStatus").toString(), QStringLiteral("Playing"));
        QVERIFY(property(Name, "CanGoNext").toBool());
        QVERIFY(property(Name, "CanPause").toBool());
        QVariantMap meta = qdbus_cast<QVariantMap>(property(Name, "Metadata"));
        QCOMPARE(meta.value("xesam:url").toString(), "file://" + QUrl::toPercentEncoding(pics[0], "/"));
        QCOMPARE(meta.value("xesam:title").toString(), QStringLiteral("red.bmp"));
        QCOMPARE(meta.value("xesam:album").toString(), QStringLiteral("holiday"));

        changes_.clear();
        call(Name, Player, "Next");
        QTRY_COMPARE(current(), pics[1]);
        QTRY_VERIFY(!changes_.isEmpty());
        QCOMPARE(qdbus_cast<QVariantMap>(changes_.last().value("Metadata")).value("xesam:title").toString(),
                 QStringLiteral("green.bmp"));
        call(Name, Player, "Previous");
        QTRY_COMPARE(current(), pics[0]);
        call(Name, Player, "Previous");
        QTRY_COMPARE(current(), pics[2]);

        call(Name, Player, "PlayPause");
        QTRY_VERIFY(f.forms->playerState().paused);
        QVERIFY(player.paused());
        QCOMPARE(property(Name, "PlaybackStatus").toString(), QStringLiteral("Paused"));
        call(Name, Player, "Pause");
        call(Name, Player, "Play");
        QTRY_VERIFY(!f.forms->playerState().paused);
        QCOMPARE(property(Name, "PlaybackStatus").toString(), QStringLiteral("Playing"));
        call(Name, Player, "Play");
        QTest::qWait(0);
        QVERIFY(!f.forms->playerState().paused);

        call(Name, Player, "Stop");
        QTRY_VERIFY(!f.forms->isLoaded(FormId::Player));
        QTRY_VERIFY(!named(Name));
        QVERIFY(f.forms->form(FormId::Menu)->isVisible());
    }

    // Another player holds the name: this copy takes one of its own, and gives it back at the end.
    void aSecondCopyTakesItsOwnName() {
        QVERIFY(client_.registerService(Name));
        ShowFixture f;
        f.forms->show(FormId::Menu);
        f.forms->hide(FormId::Menu);
        PlayerDriver player = f.play(f.show("s.lmr", plainSettings(true), {f.picture("red.bmp", Qt::red)}));
        QVERIFY(player);
        const QString own = Name + ".instance" + QString::number(::getpid());
        QTRY_VERIFY(named(own));
        QCOMPARE(property(own, "PlaybackStatus").toString(), QStringLiteral("Playing"));
        QTest::keyClick(player, Qt::Key_Escape);
        QTRY_VERIFY(!named(own));
        QVERIFY(client_.unregisterService(Name));
    }

    // Without a session bus the show plays on unsteered, and no bus is asked for.
    void withoutABusTheShowPlaysOn() {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ShowRemote remote({});
        QVERIFY(remote.serviceName().isEmpty());
        remote.showing("/x/red.bmp", "holiday");
        remote.setPaused(true);
        QCOMPARE(remote.playbackStatus(), QStringLiteral("Paused"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(!named(Name));
    }
};

QTEST_MAIN(TestPlayerRemote)
#include "test_player_remote.moc"
