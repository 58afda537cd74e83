#include "player/ShowRemote.h"

#include "platform/NativeName.h"
#include "platform/SessionBus.h"
#include "player/ShowRemoteAdaptors.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QTimer>

#include <unistd.h>

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString BaseName = QStringLiteral("org.mpris.MediaPlayer2.lumora");

// A call from the bus acts once it has been answered: what it does may open a box or close the
// show (and this remote with it), neither of which belongs inside the bus's own dispatch.
void later(ShowRemote* remote, const std::function<void()>& handler) {
    if (handler)
        QTimer::singleShot(0, remote, handler);
}

} // namespace

ShowRemote::ShowRemote(Handlers handlers, QObject* parent) : QObject(parent), handlers_(std::move(handlers)) {
    if (!session_bus::exists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    // Another copy plays already: the second takes a name of its own, as MPRIS asks.
    for (const QString& name :
         {BaseName, BaseName + QStringLiteral(".instance") + QString::number(::getpid())}) {
        if (bus.registerService(name)) {
            service_ = name;
            return;
        }
    }
    bus.unregisterObject(ObjectPath);
}

ShowRemote::~ShowRemote() {
    if (service_.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(service_);
    bus.unregisterObject(ObjectPath);
}

QVariantMap ShowRemote::metadata() const {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(
                   QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/Lumora/Picture%1").arg(track_))));
    if (picture_.isEmpty())
        return map;
    // The name's own bytes, so that a name that is not UTF-8 still names its file.
    map.insert(QStringLiteral("xesam:url"),
               QString::fromLatin1("file://" + native_name::encode(picture_).toPercentEncoding("/")));
    map.insert(QStringLiteral("xesam:title"), native_name::forDisplay(picture_.section(u'/', -1)));
    map.insert(QStringLiteral("xesam:album"), show_);
    return map;
}

void ShowRemote::showing(const QString& picturePath, const QString& showName) {
    if (picturePath == picture_ && showName == show_)
        return;
    picture_ = picturePath;
    show_ = showName;
    ++track_;
    changed({{QStringLiteral("Metadata"), metadata()}});
}

void ShowRemote::setPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    changed({{QStringLiteral("PlaybackStatus"), playbackStatus()}});
}

void ShowRemote::changed(const QVariantMap& properties) {
    if (service_.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << properties << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

MprisRootAdaptor::MprisRootAdaptor(ShowRemote* remote) : QDBusAbstractAdaptor(remote), remote_(remote) {}

QString MprisRootAdaptor::identity() const {
    return QCoreApplication::applicationName();
}

QString MprisRootAdaptor::desktopEntry() const {
    return QGuiApplication::desktopFileName();
}

void MprisRootAdaptor::Quit() {
    later(remote_, remote_->handlers().stop);
}

MprisPlayerAdaptor::MprisPlayerAdaptor(ShowRemote* remote) : QDBusAbstractAdaptor(remote), remote_(remote) {}

QString MprisPlayerAdaptor::playbackStatus() const {
    return remote_->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return remote_->metadata();
}

void MprisPlayerAdaptor::Next() {
    later(remote_, remote_->handlers().next);
}

void MprisPlayerAdaptor::Previous() {
    later(remote_, remote_->handlers().previous);
}

void MprisPlayerAdaptor::Pause() {
    later(remote_, remote_->handlers().pause);
}

void MprisPlayerAdaptor::PlayPause() {
    later(remote_, remote_->handlers().playPause);
}

void MprisPlayerAdaptor::Stop() {
    later(remote_, remote_->handlers().stop);
}

void MprisPlayerAdaptor::Play() {
    later(remote_, remote_->handlers().play);
}
