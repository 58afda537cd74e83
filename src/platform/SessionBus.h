#pragma once

// The desktop's D-Bus session bus, used only where there is one. Without one (a bare X server, a
// kiosk), libdbus would start a bus of its own ("autolaunch") at the first call, and that daemon
// would outlive the program: nothing here ever lets that happen.
namespace session_bus {

// A session bus is there to be connected to: DBUS_SESSION_BUS_ADDRESS names one, or the user's bus
// socket ($XDG_RUNTIME_DIR/bus) stands, which libdbus finds without the variable. Anything that
// would reach QDBusConnection::sessionBus() asks this first.
bool exists();

// Called before the application object is made. Without a session bus, names an address no bus can
// be started for, so that no code of Qt's (its AT-SPI bridge asks for the session bus as soon as
// the first window is made) autolaunches one either; exists() is false from then on, and programs
// started from this one (a web browser) inherit the same.
void neverAutolaunch();

} // namespace session_bus
