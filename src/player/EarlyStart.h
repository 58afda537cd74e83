#pragma once

#include <QString>

#include <memory>

class PicturePreloader;

// A show named on the command line is known before any window exists. Its first picture can start
// decoding then, while the windows are made (the hidden menu, the session bus that Qt's
// accessibility asks at the first control, the player itself), rather than after all that.
namespace early_start {

// A preloader already decoding the first picture of the show that `commandLine` names, for the
// player to take over. Nothing when it names no show that can be read, or one whose first picture
// is not known before the player shuffles it.
std::unique_ptr<PicturePreloader> firstPicture(const QString& commandLine);

} // namespace early_start
