#pragma once

// SIGTERM, SIGINT and SIGHUP end the event loop rather than the process at once, so that the windows
// are unloaded and what the program holds on the desktop (a screen kept awake) is given back.
// Call once, after the application object exists.
namespace termination_signals {

void quitEventLoopOnSignals();

} // namespace termination_signals
