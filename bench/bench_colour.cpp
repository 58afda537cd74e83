// Times what an embedded colour profile adds to showing a JPEG on a 1920 x 1080 screen (stretched,
// keeping the ratio): each picture of a folder is decoded as it is, and as a twin carrying a Display
// P3 profile in APP2 markers (the same compressed data, so only the profile differs), alternately,
// RUNS times each; the fastest run of each counts, in processor time of the decoding thread (which
// other work on the machine hardly moves) and in time on the clock.
//
//   bench_colour FOLDER [RUNS]      (FOLDER: e.g. /tmp/lumora-bench/camera from make_pictures)

#include "picture/PictureLoader.h"
#include "picture/colour/ColourProfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

// Display P3 as phones describe it: P3's primaries, D65's white, sRGB's curve.
QByteArray displayP3() {
    colour_profile::CodePoints p3;
    p3.red[0] = 0.680, p3.red[1] = 0.320;
    p3.green[0] = 0.265, p3.green[1] = 0.690;
    p3.blue[0] = 0.150, p3.blue[1] = 0.060;
    p3.white[0] = 0.3127, p3.white[1] = 0.3290;
    return colour_profile::profileFor(p3);
}

// `jpeg` with `icc` in one APP2 marker right after its start.
QByteArray withProfile(const QByteArray& jpeg, const QByteArray& icc) {
    const int length = int(2 + 12 + 2 + icc.size());
    const QByteArray marker = QByteArray("\xFF\xE2", 2) + char(length >> 8) + char(length & 0xff) +
                              QByteArray("ICC_PROFILE\0", 12) + char(1) + char(1) + icc;
    return jpeg.left(2) + marker + jpeg.mid(2);
}

double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The fastest of some runs, in processor and clock milliseconds.
struct Times {
    double cpu = std::numeric_limits<double>::max();
    double clock = std::numeric_limits<double>::max();
};

template <class Work> Times fastest(int runs, Work&& work) {
    Times best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = threadMs();
        work();
        best.cpu = std::min(best.cpu, threadMs() - cpu);
        best.clock = std::min(best.clock, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_colour FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 3;
    const QDir folder(args[1]);
    QTemporaryDir twins;
    const ShowGeometry screen{QSize(1920, 1080), true, true};
    const QByteArray icc = displayP3();
    Times total[3] = {{0, 0}, {0, 0}, {0, 0}}; // plain, with the profile, the conversion alone
    int pictures = 0;
    for (const QString& name : folder.entryList({"*.jpg", "*.jpeg"}, QDir::Files, QDir::Name)) {
        QFile in(folder.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QString twin = twins.filePath(name);
        QFile out(twin);
        if (!out.open(QIODevice::WriteOnly) || out.write(withProfile(in.readAll(), icc)) < 0)
            return 1;
        out.close();
        bool shown = true;
        const Times plain =
            fastest(runs, [&] { shown = picture_loader::decode(in.fileName(), screen).ok && shown; });
        const Times profiled =
            fastest(runs, [&] { shown = picture_loader::decode(twin, screen).ok && shown; });
        // The conversion alone, on the picture as shown.
        const QImage shownImage = picture_loader::decode(in.fileName(), screen).image;
        QImage image;
        const Times convert = fastest(runs, [&] {
            image = shownImage.copy();
            colour_profile::toSrgb(image, icc);
        });
        std::printf("%-16s %4dx%-4d  processor ms: plain %6.1f  with profile %6.1f  conversion %5.1f"
                    "  (clock %6.1f %6.1f %5.1f)%s\n",
                    qPrintable(name), shownImage.width(), shownImage.height(), plain.cpu, profiled.cpu,
                    convert.cpu, plain.clock, profiled.clock, convert.clock, shown ? "" : "  (not shown)");
        const Times each[3] = {plain, profiled, convert};
        for (int i = 0; i < 3; ++i) {
            total[i].cpu += each[i].cpu;
            total[i].clock += each[i].clock;
        }
        ++pictures;
    }
    if (pictures == 0)
        return 1;
    std::printf("mean of %d, processor ms: plain %.1f, with profile %.1f (+%.1f), conversion alone %.1f\n"
                "           clock ms:     plain %.1f, with profile %.1f (+%.1f), conversion alone %.1f\n",
                pictures, total[0].cpu / pictures, total[1].cpu / pictures,
                (total[1].cpu - total[0].cpu) / pictures, total[2].cpu / pictures, total[0].clock / pictures,
                total[1].clock / pictures, (total[1].clock - total[0].clock) / pictures,
                total[2].clock / pictures);
    return 0;
}
