// Times one decode of each file as the player does it for a 1920 x 1080 screen (stretched, keeping
// the ratio), and whether it was shown: what a hostile picture costs a show.
//
//   bench_picture FILE...

#include "picture/PictureLoader.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const ShowGeometry screen{QSize(1920, 1080), true, true};
    for (const QString& path : app.arguments().mid(1)) {
        QElapsedTimer timer;
        timer.start();
        const LoadedPicture picture = picture_loader::decode(path, screen);
        std::printf("%8lld ms  %-7s %s\n", timer.elapsed(), picture.ok ? "shown" : "skipped",
                    qPrintable(path));
    }
    return 0;
}
