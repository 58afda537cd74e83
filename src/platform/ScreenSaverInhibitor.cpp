#include "platform/ScreenSaverInhibitor.h"

#include "platform/SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

#include <dlfcn.h>

namespace {

// The release of an inhibition when the program ends: short, since the bus drops the inhibitions of
// a client that leaves anyway.
constexpr int ReleaseOnExitMs = 500;

using XScreenSaverSuspendFn = void (*)(void* display, int suspend);
using XScreenSaverQueryExtensionFn = int (*)(void* display, int* eventBase, int* errorBase);

struct XssCalls {
    XScreenSaverSuspendFn suspend = nullptr;
    XScreenSaverQueryExtensionFn queryExtension = nullptr;
};

// libXss is loaded when first needed, so that the program does not depend on it.
const XssCalls& xss() {
    static const XssCalls calls = [] {
        XssCalls c;
        if (void* lib = ::dlopen("libXss.so.1", RTLD_NOW | RTLD_LOCAL)) {
            c.suspend = reinterpret_cast<XScreenSaverSuspendFn>(::dlsym(lib, "XScreenSaverSuspend"));
            c.queryExtension =
                reinterpret_cast<XScreenSaverQueryExtensionFn>(::dlsym(lib, "XScreenSaverQueryExtension"));
        }
        return c;
    }();
    return calls;
}

// The suspend call on a server without the extension (XWayland has none) prints a warning of
// Xlib's own on the terminal each time; there it has nothing to do anyway.
XScreenSaverSuspendFn xScreenSaverSuspend(void* display) {
    const XssCalls& calls = xss();
    int eventBase = 0, errorBase = 0;
    if (!calls.suspend || !calls.queryExtension || !calls.queryExtension(display, &eventBase, &errorBase))
        return nullptr;
    return calls.suspend;
}

void* x11Display() {
    // A program without a GUI (a test) has a plain core application, which qApp would miscast.
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>())
        return x11->display();
    return nullptr;
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QString applicationName, QObject* parent)
    : QObject(parent), applicationName_(std::move(applicationName)) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    releaseBeforeEnding();
}

void ScreenSaverInhibitor::releaseBeforeEnding() {
    release();
    // An UnInhibit sent just before the program ends must leave the process: a quick call to the
    // bus itself, answered only after everything sent before it, sees it out.
    if (releaseSent_) {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        QDBusConnection::sessionBus().call(ping, QDBus::Block, ReleaseOnExitMs);
    }
}

void ScreenSaverInhibitor::inhibit(const QString& reason) {
    if (wanted_)
        return;
    wanted_ = true;
    if (pending_ || cookie_)
        return; // an earlier inhibit is still standing or on its way
    // Without a session bus, asking for one would start one that outlives the program.
    if (!session_bus::exists()) {
        suspendX11(true);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service)) {
        suspendX11(true);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Inhibit"));
    call << applicationName_ << reason;
    pending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &ScreenSaverInhibitor::inhibitReplied);
}

void ScreenSaverInhibitor::inhibitReplied(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    pending_ = false;
    const QDBusPendingReply<quint32> reply = *call;
    if (reply.isError()) {
        // Refused or gone: the X screen saver is the only other thing to ask.
        if (wanted_)
            suspendX11(true);
        return;
    }
    if (wanted_)
        cookie_ = reply.value();
    else
        unInhibit(reply.value()); // released while the answer was on its way
}

void ScreenSaverInhibitor::release() {
    if (!wanted_)
        return;
    wanted_ = false;
    if (cookie_) {
        unInhibit(*cookie_);
        cookie_.reset();
    }
    suspendX11(false);
}

void ScreenSaverInhibitor::unInhibit(quint32 cookie) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("UnInhibit"));
    call << cookie;
    QDBusConnection::sessionBus().asyncCall(call);
    releaseSent_ = true;
}

void ScreenSaverInhibitor::suspendX11(bool on) {
    if (on == x11Suspended_)
        return;
    void* display = x11Display();
    const XScreenSaverSuspendFn suspend = display ? xScreenSaverSuspend(display) : nullptr;
    if (!suspend)
        return;
    // The X server keeps a count per client: every suspend is paired with one resume.
    suspend(display, on ? 1 : 0);
    x11Suspended_ = on;
}
