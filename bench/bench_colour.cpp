// Times what an embedded colour profile adds to showing a JPEG on a 1920 x 1080 screen (stretched,
// keeping the ratio): each picture of a folder is decoded as it is, and as a twin carrying a Display
// P3 profile in APP2 markers (the same compressed data, so only the profile differs), alternately,
// RUNS times each; the fastest run of each counts.
//
//   bench_colour FOLDER [RUNS]      (FOLDER: e.g. /tmp/lumora-bench/camera from make_pictures)

#include "picture/ColourProfile.h"
#include "picture/PictureLoader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

#include <lcms2.h>

namespace {

QByteArray displayP3() {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number length = 0;
    cmsSaveProfileToMem(profile, nullptr, &length);
    QByteArray bytes(qsizetype(length), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &length);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

// `jpeg` with `icc` in one APP2 marker right after its start.
QByteArray withProfile(const QByteArray& jpeg, const QByteArray& icc) {
    const int length = int(2 + 12 + 2 + icc.size());
    const QByteArray marker = QByteArray("\xFF\xE2", 2) + char(length >> 8) + char(length & 0xff) +
                              QByteArray("ICC_PROFILE\0", 12) + char(1) + char(1) + icc;
    return jpeg.left(2) + marker + jpeg.mid(2);
}

double fastestDecode(const QString& path, const ShowGeometry& screen, int runs, bool& shown) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        shown = picture_loader::decode(path, screen).ok;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
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
    double plainTotal = 0, profiledTotal = 0, convertTotal = 0;
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
        bool plainShown = false, twinShown = false;
        const double plain = fastestDecode(in.fileName(), screen, runs, plainShown);
        const double profiled = fastestDecode(twin, screen, runs, twinShown);
        // The conversion alone, on the picture as shown.
        const QImage shownImage = picture_loader::decode(in.fileName(), screen).image;
        double convert = std::numeric_limits<double>::max();
        for (int i = 0; i < runs; ++i) {
            QImage image = shownImage.copy();
            QElapsedTimer timer;
            timer.start();
            colour_profile::toSrgb(image, icc);
            convert = std::min(convert, double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("%-24s %4dx%-4d plain %7.1f ms  with profile %7.1f ms  conversion %6.1f ms%s\n",
                    qPrintable(name), shownImage.width(), shownImage.height(), plain, profiled, convert,
                    plainShown && twinShown ? "" : "  (not shown)");
        plainTotal += plain;
        profiledTotal += profiled;
        convertTotal += convert;
        ++pictures;
    }
    if (pictures == 0)
        return 1;
    std::printf("mean of %d: plain %.1f ms, with profile %.1f ms (+%.1f), conversion alone %.1f ms\n",
                pictures, plainTotal / pictures, profiledTotal / pictures,
                (profiledTotal - plainTotal) / pictures, convertTotal / pictures);
    return 0;
}
