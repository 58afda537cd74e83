#include "platform/SessionBus.h"

#include <QByteArray>

#include <sys/stat.h>

namespace session_bus {

bool reachable() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // A systemd user session's bus, which libdbus finds by itself without the variable.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return false;
    struct stat st {};
    return ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace session_bus
