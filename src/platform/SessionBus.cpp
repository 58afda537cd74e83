#include "platform/SessionBus.h"

#include <QByteArray>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace session_bus {

namespace {

// An address of a kind libdbus and GLib both refuse at once ("unknown address type") without
// starting anything.
constexpr char NoBus[] = "disabled:";

bool userBusSocket() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return false;
    struct stat st {};
    const QByteArray socket = runtime + "/bus";
    // libdbus takes it only when it is a socket of this user's.
    return ::stat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

} // namespace

bool exists() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == NoBus)
        return false;
    // An autolaunch address asks for exactly what is refused here.
    if (!address.isEmpty())
        return !address.startsWith("autolaunch:");
    return userBusSocket();
}

void neverAutolaunch() {
    if (!exists())
        qputenv("DBUS_SESSION_BUS_ADDRESS", NoBus);
}

} // namespace session_bus
