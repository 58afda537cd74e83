#include "player/EarlyStart.h"

#include "picture/PicturePreloader.h"
#include "platform/General.h"
#include "show/PlayerState.h"
#include "show/ShowFile.h"

#include <QGuiApplication>
#include <QScreen>

namespace early_start {

namespace {

std::unique_ptr<PicturePreloader> decoding(const QString& picture, const ShowGeometry& geometry) {
    auto preloader = std::make_unique<PicturePreloader>();
    preloader->planAhead({picture}, geometry);
    return preloader;
}

} // namespace

std::unique_ptr<PicturePreloader> firstPicture(const QString& path) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (path.isEmpty() || !screen || !general::File_Exists(path))
        return nullptr;
    const auto read = show_file::readHead(path, 1);
    if (read.error != show_file::ReadError::None || read.content.pictures.isEmpty())
        return nullptr;
    // The player's first show of the run starts from these, as this one does.
    const PlayerState first;
    const ShowFileContent& show = read.content;
    if (show.shuffle.value_or(first.shuffle))
        return nullptr;
    // As the player will place it: on the screen its windows open on, which is the primary one
    // while no window exists.
    const ShowGeometry geometry{screen->geometry().size(), show.stretch.value_or(first.stretch),
                                show.keepRatio.value_or(first.keepRatio), screen->devicePixelRatio()};
    return decoding(show.pictures.first(), geometry);
}

std::unique_ptr<PicturePreloader> wholePicture(const QString& picturePath) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return nullptr;
    ShowGeometry geometry{screen->geometry().size(), false, false, screen->devicePixelRatio()};
    geometry.whole = true;
    return decoding(picturePath, geometry);
}

} // namespace early_start
