#pragma once

// Qt ends the program through exit(1) when its connection to the X server breaks, as at a logout.
// For the program that is the same end as Escape: the temporary shows go with it, and the status
// is 0, as a show ended by hand gives.
namespace connection_loss {

// Set once, before the first window.
void endAsEscapeWhenConnectionBreaks();

} // namespace connection_loss
