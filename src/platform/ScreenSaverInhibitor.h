#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QDBusPendingCallWatcher;

// Keeps the screen awake while a show plays: the freedesktop.org org.freedesktop.ScreenSaver
// Inhibit/UnInhibit calls on the session bus, and where no such service answers on X11, the X
// screen saver (and with it display power saving) suspended for the program's display connection.
// Nothing is ever reported: no bus, no service or a refusal leaves the screen as the desktop wants
// it; without a session bus (session_bus::exists) the bus is never asked for. Calls are
// asynchronous, so a service that hangs cannot hold the show.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(QString applicationName, QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // Idempotent: a second inhibit without a release asks nothing more of the desktop.
    void inhibit(const QString& reason);
    void release();
    // A release that has left the process when this returns (a short wait at most): for a program
    // about to end.
    void releaseBeforeEnding();
    bool isInhibited() const { return wanted_; }
    // An Inhibit call has not been answered yet.
    bool awaitsAnswer() const { return pending_; }

    // The service asked; tests point it at a service of their own.
    QString service = QStringLiteral("org.freedesktop.ScreenSaver");
    QString path = QStringLiteral("/org/freedesktop/ScreenSaver");

private:
    void inhibitReplied(QDBusPendingCallWatcher* call);
    void unInhibit(quint32 cookie);
    void suspendX11(bool on);

    QString applicationName_;
    bool wanted_ = false;
    bool pending_ = false;
    std::optional<quint32> cookie_;
    bool x11Suspended_ = false;
    bool releaseSent_ = false;
};
