// Times, in process, what the player does for each picture of the benchmark sets (see make_pictures):
//
//   decode full     the picture decoded at its own size (what a plain viewer does)
//   load+place      picture_loader::decode at the shown size + Center_Pic, for a 1920x1080 screen,
//                   stretched keeping the ratio: the work of one step with nothing prepared
//   paint           drawing the loaded picture where it is placed, as the picture box paints it
//   step direct     ShowSequence::Show_Pics back to back with the plain source
//   step preloaded  the same with the preloading source, back to back as a 1 ms timer steps
//   step ready      the same, but every step waits (untimed) until the workers are idle first: the
//                   cost of a step whose picture was prepared while the previous one was on screen
//
// Files are read once beforehand so that every variant finds them in the page cache. Per-picture
// figures are medians over the pictures of the set (and over --passes passes); "per picture" for the
// step variants is also given as the loop's wall time divided by the pictures, which is what a show
// stepping as fast as it can achieves.
//
//   bench_decode FOLDER [--sets camera,hd,bmp,gif] [--passes N] [--only VARIANT,...] [--ratio R]
//
// --ratio 2 times a 3840x2160 screen at a scale of 2: pictures decoded and painted at device pixels.

#include "picture/PictureLoader.h"
#include "picture/Placement.h"
#include "player/ShowSequence.h"
#include "show/PlayerState.h"
#include "show/ShowFile.h"

#if __has_include("picture/PicturePreloader.h")
#include "picture/PicturePreloader.h"
#define LUMORA_HAS_PRELOADER 1
#endif

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QSize Screen(1920, 1080);
// Set once from --ratio: the screen's device pixels per logical pixel.
ShowGeometry Geometry{Screen, true, true};

struct Figures {
    std::vector<double> samples; // ms, one for each picture and pass
    double wallMs = 0;           // the whole loop, for the step variants
    qsizetype pictures = 0;
    int failures = 0;
};

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

double elapsedMs(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// Reads every file once so that decoding is timed against the page cache, not the disk.
void warmCache(const QStringList& paths) {
    for (const QString& p : paths) {
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            while (!f.read(1 << 20).isEmpty()) {
            }
    }
}

// Keeps results alive until the timing is done, so that freeing them is not timed either.
volatile qint64 sink = 0;

Figures decodeFull(const QStringList& paths) {
    Figures f;
    for (const QString& p : paths) {
        QElapsedTimer t;
        t.start();
        const LoadedPicture pic = picture_loader::decode(p);
        f.samples.push_back(elapsedMs(t));
        f.failures += !pic.ok;
        sink = sink + pic.image.width();
    }
    return f;
}

Figures loadAndPlace(const QStringList& paths) {
    Figures f;
    for (const QString& p : paths) {
        QElapsedTimer t;
        t.start();
        const LoadedPicture pic = picture_loader::decode(p, Geometry);
        const auto placement = Center_Pic(pic.size, Screen, true, true, Geometry.devicePixelRatio);
        f.samples.push_back(elapsedMs(t));
        f.failures += !pic.ok || !placement;
        sink = sink + pic.image.width();
    }
    return f;
}

// As the picture box paints: a plain copy when the picture already has the placed size in device
// pixels, a smooth scale otherwise, clipped to the screen.
Figures paint(const QStringList& paths) {
    Figures f;
    const double ratio = Geometry.devicePixelRatio;
    QImage screen(Screen * ratio, QImage::Format_RGB32);
    screen.setDevicePixelRatio(ratio);
    for (const QString& p : paths) {
        LoadedPicture pic = picture_loader::decode(p, Geometry);
        const auto placement = Center_Pic(pic.size, Screen, true, true, ratio);
        if (!pic.ok || !placement) {
            ++f.failures;
            continue;
        }
        const QRect target = placement->pixels();
        QElapsedTimer t;
        t.start();
        QPainter painter(&screen);
        painter.setClipRect(QRect(QPoint(0, 0), Screen));
        if (pic.image.size() == placement->deviceSize(ratio)) {
            painter.scale(1 / ratio, 1 / ratio);
            painter.drawImage(QPointF(target.topLeft()) * ratio, pic.image);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, pic.image);
        }
        painter.end();
        f.samples.push_back(elapsedMs(t));
    }
    return f;
}

// Steps through the show the way the player's timer does, timing each step; `between` runs, untimed,
// after each step.
Figures stepThrough(const QStringList& paths, PictureSource& source,
                    const std::function<void()>& between = {}) {
    Figures f;
    PlayerState state;
    state.stretch = state.keepRatio = true;
    state.loop = false;
    ShowSequence sequence(state, source);
    sequence.setScreen(Screen, Geometry.devicePixelRatio);
    sequence.entries() = paths;
    state.currentIndex = -1;

    QElapsedTimer wall;
    wall.start();
    qint64 untimed = 0;
#ifdef LUMORA_HAS_PRELOADER
    // As the player does before its first step.
    sequence.planAhead(+1);
#endif
    for (;;) {
        QElapsedTimer t;
        t.start();
        const StepOutcome outcome = sequence.Show_Pics();
        f.samples.push_back(elapsedMs(t));
        if (outcome.kind != StepOutcome::Shown && outcome.kind != StepOutcome::ShownThenEnd) {
            ++f.failures;
            break;
        }
        sink = sink + outcome.picture.image.width();
        if (outcome.kind == StepOutcome::ShownThenEnd)
            break;
        if (between) {
            QElapsedTimer b;
            b.start();
            between();
            untimed += b.nsecsElapsed();
        }
    }
    f.wallMs = double(wall.nsecsElapsed() - untimed) / 1e6;
    return f;
}

Figures stepDirect(const QStringList& paths) {
    DirectPictureSource source;
    return stepThrough(paths, source);
}

#ifdef LUMORA_HAS_PRELOADER
Figures stepPreloaded(const QStringList& paths) {
    PicturePreloader source;
    return stepThrough(paths, source);
}

Figures stepReady(const QStringList& paths) {
    PicturePreloader source;
    return stepThrough(paths, source, [&] { source.waitUntilIdle(); });
}
#endif

struct Variant {
    const char* name;
    Figures (*run)(const QStringList&);
    bool stepping;
};

const Variant Variants[] = {
    {"decode full", decodeFull, false},      {"load+place", loadAndPlace, false}, {"paint", paint, false},
    {"step direct", stepDirect, true},
#ifdef LUMORA_HAS_PRELOADER
    {"step preloaded", stepPreloaded, true}, {"step ready", stepReady, true},
#endif
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times loading, placing and stepping for each picture set."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Where make_pictures wrote the sets."));
    QCommandLineOption setsOption(QStringLiteral("sets"), QStringLiteral("Sets to time."),
                                  QStringLiteral("list"), QStringLiteral("camera,hd,bmp,gif"));
    QCommandLineOption passesOption(QStringLiteral("passes"), QStringLiteral("Passes over each set."),
                                    QStringLiteral("n"), QStringLiteral("1"));
    QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Variants to run (default all)."),
                                  QStringLiteral("list"));
    QCommandLineOption ratioOption(QStringLiteral("ratio"),
                                   QStringLiteral("Device pixels per logical pixel (a scaled screen)."),
                                   QStringLiteral("r"), QStringLiteral("1"));
    parser.addOptions({setsOption, passesOption, onlyOption, ratioOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QDir folder(parser.positionalArguments().first());
    const int passes = std::max(1, parser.value(passesOption).toInt());
    const QStringList only = parser.value(onlyOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    Geometry.devicePixelRatio = std::max(1.0, parser.value(ratioOption).toDouble());

#ifndef LUMORA_HAS_PRELOADER
    std::printf("(no preloading source in this build: the preloaded variants are left out)\n");
#endif
    std::printf("screen %dx%d at a scale of %g, stretched keeping the ratio; times in ms\n", Screen.width(),
                Screen.height(), Geometry.devicePixelRatio);
    std::printf("%-7s %-15s %5s %9s %9s %9s %9s %12s\n", "set", "variant", "n", "median", "p90", "min", "max",
                "wall/pic");
    int failures = 0;
    for (const QString& set : parser.value(setsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto show = show_file::read(folder.absoluteFilePath(set + QStringLiteral(".lmr")));
        if (show.error != show_file::ReadError::None || show.content.pictures.isEmpty()) {
            std::fprintf(stderr, "bench_decode: no show %s.lmr in %s\n", qPrintable(set),
                         qPrintable(folder.path()));
            return 1;
        }
        const QStringList& paths = show.content.pictures;
        warmCache(paths);
        for (const Variant& v : Variants) {
            if (!only.isEmpty() && !only.contains(QLatin1String(v.name)))
                continue;
            Figures all;
            for (int pass = 0; pass < passes; ++pass) {
                Figures f = v.run(paths);
                all.samples.insert(all.samples.end(), f.samples.begin(), f.samples.end());
                all.wallMs += f.wallMs;
                all.failures += f.failures;
            }
            failures += all.failures;
            const auto& s = all.samples;
            const QString wall = v.stepping
                                     ? QString::number(all.wallMs / double(paths.size() * passes), 'f', 2)
                                     : QStringLiteral("-");
            std::printf("%-7s %-15s %5zu %9.2f %9.2f %9.2f %9.2f %12s%s\n", qPrintable(set), v.name, s.size(),
                        median(s), percentile(s, 0.9),
                        s.empty() ? 0.0 : *std::min_element(s.begin(), s.end()),
                        s.empty() ? 0.0 : *std::max_element(s.begin(), s.end()), qPrintable(wall),
                        all.failures ? "  FAILURES" : "");
            std::fflush(stdout);
        }
    }
    return failures ? 1 : 0;
}
