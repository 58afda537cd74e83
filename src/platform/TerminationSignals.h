#pragma once

#include <chrono>
#include <functional>

// How the program ends when the session asks it to (SIGTERM, SIGINT, SIGHUP: a logout, a shutdown,
// Ctrl-C in a terminal): at once, from whatever it is doing, with no question and without waiting on
// a window, a message box or a file dialog.
namespace termination_signals {

// Call once, after the application object exists. On the first of those signals `giveBack` runs on
// the thread of the event loop (whichever loop runs then: a message box's or a dialog's does too),
// the temporary shows this copy wrote are removed (see temporary_shows), and the process ends by the
// signal that came, so that whoever sent it sees it obeyed. When that thread does not come round
// within `grace` (it is busy in a long piece of work), the shows are removed and the process ends all
// the same, without `giveBack`.
void endProgramOnSignals(std::function<void()> giveBack,
                         std::chrono::milliseconds grace = std::chrono::seconds(2));

// A write past the file size limit (`ulimit -f`) then fails as on a full disk, instead of the
// process being ended by SIGXFSZ.
void ignoreFileSizeLimitSignal();

} // namespace termination_signals
