#pragma once

// Whether the desktop session has a D-Bus session bus to talk to. Without one, libdbus would start
// a bus of its own (autolaunch) at the first call, and that bus outlives the program: callers ask
// this first and do without the bus.
namespace session_bus {

bool reachable();

} // namespace session_bus
