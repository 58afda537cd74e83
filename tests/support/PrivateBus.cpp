#include "PrivateBus.h"

PrivateBus::PrivateBus() : previous_(qgetenv("DBUS_SESSION_BUS_ADDRESS")) {
    daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    if (!daemon_.waitForStarted())
        return;
    // The address is the daemon's first line; it comes once the bus listens.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(-1)) {
    }
    address_ = daemon_.readLine().trimmed();
    if (!address_.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
}

PrivateBus::~PrivateBus() {
    if (previous_.isEmpty())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
    daemon_.terminate();
    daemon_.waitForFinished();
}
