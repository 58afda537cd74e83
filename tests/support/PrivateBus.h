#pragma once

#include <QByteArray>
#include <QProcess>

// A session bus of the test's own: a real dbus-daemon, made the process's session bus for as long as
// it lives, so that no test reaches the user's own.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return !address_.isEmpty(); }
    QByteArray address() const { return address_; }

private:
    QProcess daemon_;
    QByteArray address_;
    QByteArray previous_;
};
