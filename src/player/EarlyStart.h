#pragma once

#include <QString>

#include <memory>

class PicturePreloader;

// A show or a picture named on the command line is known before any window exists. Its first picture can
// start decoding then, while the windows are made (the hidden menu, the session bus that Qt's accessibility
// asks at the first control, the player itself), rather than after all that.
namespace early_start {

// A preloader already decoding the first picture of the show file at `showPath`, for the player to
// take over. Nothing when it is no show that can be read, or one whose first picture is not known
// before the player shuffles it.
std::unique_ptr<PicturePreloader> firstPicture(const QString& showPath);
// The same for a show that starts at the picture at `picturePath`, every picture seen whole.
std::unique_ptr<PicturePreloader> wholePicture(const QString& picturePath);

} // namespace early_start
