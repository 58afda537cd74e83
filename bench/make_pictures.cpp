// Writes the benchmark picture sets into a folder, the same bytes on every run:
//   camera/  40 JPEGs 6000x4000 at quality 90, photo-like (gradients, shapes, texture and grain)
//   hd/      200 JPEGs 1920x1080
//   bmp/     100 BMPs 1024x768, 24 bits
//   gif/     100 GIFs 800x600, 256 colours
//   phone-png/   20 PNGs 4000x3000, and screen-png/ 40 PNGs 1920x1080: the sources from which
//                bench/format-sets.sh makes the same pictures in the other formats
// and next to them a show file per set (SET.lmr) that steps as fast as the player can, once, plus
// start.lmr, the first BMP alone for two seconds, for timing how soon a picture is on screen.
//
//   make_pictures OUTDIR [--sets camera,hd,bmp,gif,phone-png,screen-png] [--jobs N] [--force]
//
// Pictures already there are kept unless --force is given or they were written by another version of
// this generator (make_pictures.version in OUTDIR says which); each is written under a temporary
// name and renamed, so an interrupted run never leaves a cut-off picture behind.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

enum class Format { Jpeg, Bmp, Gif, Png };

struct PictureSet {
    const char* name;
    int count;
    int width;
    int height;
    Format format;
};

constexpr PictureSet Sets[] = {
    {"camera", 40, 6000, 4000, Format::Jpeg},   {"hd", 200, 1920, 1080, Format::Jpeg},
    {"bmp", 100, 1024, 768, Format::Bmp},       {"gif", 100, 800, 600, Format::Gif},
    {"phone-png", 20, 4000, 3000, Format::Png}, {"screen-png", 40, 1920, 1080, Format::Png},
};

// Raised whenever the pictures' content changes, so that older sets are written anew.
constexpr int GeneratorVersion = 1;

constexpr int JpegQuality = 90;
// Amplitude of the single-pixel luminance detail; with it the JPEGs come out near the size and
// decoding cost of camera photos.
constexpr float LumaGrain = 10.0f;

const char* extension(Format f) {
    switch (f) {
    case Format::Jpeg:
        return "jpg";
    case Format::Bmp:
        return "bmp";
    case Format::Gif:
        return "gif";
    case Format::Png:
        return "png";
    }
    return "";
}

QString picturePath(const QDir& out, const PictureSet& set, int index) {
    return out.absoluteFilePath(QStringLiteral("%1/%1-%2.%3")
                                    .arg(set.name)
                                    .arg(index + 1, 3, 10, QChar('0'))
                                    .arg(extension(set.format)));
}

// ---- deterministic noise -------------------------------------------------------------------------

std::uint32_t hash3(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// In [-1, 1].
float signedUnit(std::uint32_t h) {
    return float(h >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

// In [0, 1].
float unit(std::uint32_t h) {
    return float(h >> 8) * (1.0f / 16777216.0f);
}

class Random {
public:
    explicit Random(std::uint32_t seed) : seed_(seed) {}
    float next() { return unit(hash3(counter_++, 0x51ed27u, seed_)); }
    float range(float lo, float hi) { return lo + (hi - lo) * next(); }

private:
    std::uint32_t seed_;
    std::uint32_t counter_ = 0;
};

float smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

// Value noise on a lattice of `cell` pixels, one row at a time: the lattice columns are blended
// vertically once per row, then each pixel blends its two columns.
class NoiseOctave {
public:
    NoiseOctave(int width, int cell, float amplitude, std::uint32_t seed)
        : cell_(cell), amplitude_(amplitude), seed_(seed), columns_(width / cell + 2), weights_(cell) {
        for (int i = 0; i < cell; ++i)
            weights_[i] = smooth((float(i) + 0.5f) / float(cell));
    }

    // Adds this octave, times `amplitude`, to `row`.
    void addRow(float* row, int width, int y) {
        const std::uint32_t gy = std::uint32_t(y / cell_);
        const float fy = weights_[y % cell_];
        for (std::size_t gx = 0; gx < columns_.size(); ++gx) {
            const float a = signedUnit(hash3(std::uint32_t(gx), gy, seed_));
            const float b = signedUnit(hash3(std::uint32_t(gx), gy + 1, seed_));
            columns_[gx] = amplitude_ * (a + (b - a) * fy);
        }
        for (int x = 0; x < width; ++x) {
            const int gx = x / cell_;
            const float a = columns_[gx];
            row[x] += a + (columns_[gx + 1] - a) * weights_[x % cell_];
        }
    }

private:
    int cell_;
    float amplitude_;
    std::uint32_t seed_;
    std::vector<float> columns_;
    std::vector<float> weights_;
};

struct Colour {
    float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour randomColour(Random& random, float lo, float hi) {
    return {random.range(lo, hi), random.range(lo, hi), random.range(lo, hi)};
}

struct Shape {
    float cx, cy, radius;
    Colour colour;
    float strength;
    bool hardEdge;
};

// A landscape-like scene: a sky and a ground gradient meeting at a horizon, soft and hard-edged round
// shapes, texture that is faint in the sky and strong on the ground, and sensor grain. Sizes scale
// with the picture so that every set looks alike; the texture's finest octaves stay at pixel scale.
QImage renderScene(int width, int height, std::uint32_t seed) {
    Random random(seed);
    const float horizon = random.range(0.35f, 0.65f);
    const Colour skyTop = {random.range(30, 90), random.range(70, 140), random.range(150, 230)};
    const Colour skyBottom = {random.range(170, 240), random.range(170, 230), random.range(160, 230)};
    const Colour groundTop = randomColour(random, 60, 160);
    const Colour groundBottom = randomColour(random, 20, 90);

    const float scale = float(width);
    std::vector<Shape> shapes(12);
    for (Shape& s : shapes) {
        s.cx = random.range(0, float(width));
        s.cy = random.range(0, float(height));
        s.radius = random.range(0.04f, 0.25f) * scale;
        s.colour = randomColour(random, 10, 245);
        s.strength = random.range(0.4f, 0.9f);
        s.hardEdge = random.next() < 0.5f;
    }

    const float pixelScale = std::max(1.0f, scale / 1920.0f);
    NoiseOctave mask(width, std::max(8, int(scale / 8)), 1.0f, seed ^ 0x1u);
    std::vector<NoiseOctave> texture;
    texture.emplace_back(width, std::max(8, int(scale / 24)), 22.0f, seed ^ 0x2u);
    texture.emplace_back(width, std::max(4, int(48 * pixelScale / 2)), 14.0f, seed ^ 0x3u);
    texture.emplace_back(width, 9, 12.0f, seed ^ 0x4u);
    texture.emplace_back(width, 3, 12.0f, seed ^ 0x5u);
    texture.emplace_back(width, 2, 10.0f, seed ^ 0x6u);

    QImage image(width, height, QImage::Format_RGB888);
    std::vector<float> maskRow(width);
    std::vector<float> detailRow(width);
    const float horizonY = horizon * float(height);
    const float blend = 0.02f * float(height);

    for (int y = 0; y < height; ++y) {
        const float fy = float(y);
        const Colour sky = mix(skyTop, skyBottom, std::min(1.0f, fy / horizonY));
        const Colour ground = mix(groundTop, groundBottom,
                                  std::clamp((fy - horizonY) / (float(height) - horizonY), 0.0f, 1.0f));
        const float groundness = std::clamp((fy - horizonY) / blend * 0.5f + 0.5f, 0.0f, 1.0f);
        const Colour base = mix(sky, ground, smooth(groundness));

        std::fill(maskRow.begin(), maskRow.end(), 0.0f);
        mask.addRow(maskRow.data(), width, y);
        std::fill(detailRow.begin(), detailRow.end(), 0.0f);
        for (NoiseOctave& octave : texture)
            octave.addRow(detailRow.data(), width, y);

        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            Colour c = base;
            const float fx = float(x);
            for (const Shape& s : shapes) {
                const float dx = fx - s.cx;
                const float dy = fy - s.cy;
                const float d2 = dx * dx + dy * dy;
                const float r2 = s.radius * s.radius;
                if (d2 >= r2)
                    continue;
                float w;
                if (s.hardEdge) {
                    // A crisp rim about one and a half pixels wide.
                    w = std::clamp((s.radius - std::sqrt(d2)) / 1.5f, 0.0f, 1.0f);
                } else {
                    const float t = 1.0f - d2 / r2;
                    w = t * t;
                }
                c = mix(c, s.colour, w * s.strength);
            }
            const float detail = std::clamp(0.3f + groundness * 0.5f + 0.5f * maskRow[x], 0.1f, 1.0f);
            const std::uint32_t grain = hash3(std::uint32_t(x), std::uint32_t(y), seed ^ 0x7u);
            // Fine texture: single-pixel luminance detail where the scene is busy.
            const float fine = (float(int(grain >> 24)) - 127.5f) * (LumaGrain / 128.0f);
            const float lum = (detailRow[x] + fine) * detail;
            const float gr = float(int(grain & 7u)) - 3.5f;
            const float gg = float(int((grain >> 3) & 7u)) - 3.5f;
            const float gb = float(int((grain >> 6) & 7u)) - 3.5f;
            line[3 * x + 0] = uchar(std::clamp(c.r + lum + gr, 0.0f, 255.0f));
            line[3 * x + 1] = uchar(std::clamp(c.g + lum * 0.95f + gg, 0.0f, 255.0f));
            line[3 * x + 2] = uchar(std::clamp(c.b + lum * 0.85f + gb, 0.0f, 255.0f));
        }
    }
    return image;
}

// ---- GIF ------------------------------------------------------------------------------------------

// LZW-compressed GIF89a of an 8-bit indexed picture with a 256-entry global colour table.
QByteArray encodeGif(const QImage& indexed) {
    QByteArray out;
    auto put16 = [&out](int v) {
        out.append(char(v & 0xff));
        out.append(char((v >> 8) & 0xff));
    };
    const int w = indexed.width();
    const int h = indexed.height();
    out.append("GIF89a", 6);
    put16(w);
    put16(h);
    out.append(char(0xf7)); // global colour table of 256 entries, 8 bits per primary
    out.append(char(0));
    out.append(char(0));
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table.at(i) : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2c));
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    out.append(char(0));
    out.append(char(8)); // minimum code size

    constexpr int ClearCode = 256;
    constexpr int EndCode = 257;
    constexpr int MaxCode = 4095;
    std::vector<std::int16_t> dictionary(4096 * 256, -1);
    int nextCode = EndCode + 1;
    int bits = 9;
    int limit = 1 << bits;

    QByteArray data;
    std::uint32_t accumulator = 0;
    int pending = 0;
    auto putCode = [&](int code) {
        accumulator |= std::uint32_t(code) << pending;
        pending += bits;
        while (pending >= 8) {
            data.append(char(accumulator & 0xff));
            accumulator >>= 8;
            pending -= 8;
        }
        if (nextCode >= limit && code <= MaxCode && bits < 12)
            limit = 1 << ++bits;
    };

    putCode(ClearCode);
    int prefix = -1;
    for (int y = 0; y < h; ++y) {
        const uchar* line = indexed.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            const int pixel = line[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const std::size_t key = std::size_t(prefix) * 256 + std::size_t(pixel);
            if (dictionary[key] >= 0) {
                prefix = dictionary[key];
                continue;
            }
            putCode(prefix);
            prefix = pixel;
            if (nextCode >= MaxCode) {
                putCode(ClearCode);
                nextCode = EndCode + 1;
                bits = 9;
                limit = 1 << bits;
                std::fill(dictionary.begin(), dictionary.end(), std::int16_t(-1));
            } else {
                dictionary[key] = std::int16_t(nextCode++);
            }
        }
    }
    if (prefix >= 0)
        putCode(prefix);
    putCode(EndCode);
    if (pending > 0)
        data.append(char(accumulator & 0xff));

    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - at);
        out.append(char(n));
        out.append(data.constData() + at, n);
    }
    out.append(char(0));
    out.append(char(0x3b));
    return out;
}

// ---- writing ---------------------------------------------------------------------------------------

bool writePicture(const QString& path, const PictureSet& set, int index) {
    std::uint32_t seed = 0x9e3779b9u;
    for (const char* p = set.name; *p; ++p)
        seed = hash3(seed, std::uint32_t(uchar(*p)), 0x2545f491u);
    seed = hash3(seed, std::uint32_t(index), 0x68e31da4u);
    const QImage image = renderScene(set.width, set.height, seed);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    switch (set.format) {
    case Format::Jpeg: {
        QImageWriter writer(&file, "jpeg");
        writer.setQuality(JpegQuality);
        if (!writer.write(image))
            return false;
        break;
    }
    case Format::Png: {
        QImageWriter writer(&file, "png");
        if (!writer.write(image))
            return false;
        break;
    }
    case Format::Bmp: {
        QImageWriter writer(&file, "bmp");
        if (!writer.write(image))
            return false;
        break;
    }
    case Format::Gif: {
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
        if (file.write(encodeGif(indexed)) < 0)
            return false;
        break;
    }
    }
    return file.commit();
}

// A show that plays once, `delay` seconds a picture: quoted lines ended by CR LF.
bool writeShow(const QString& path, const QStringList& pictures, const char* delay = "0.001") {
    QByteArray text;
    const QByteArray settings[] = {"Strech=True", "Ratio=1", "Shuff=0",   QByteArray("Delay=") + delay,
                                   "BackCol=0",   "Loop=0",  "Message=1", "UseMusic=0",
                                   "Music="};
    for (const QByteArray& s : settings)
        text += "\"" + s + "\"\r\n";
    for (const QString& p : pictures)
        text += "\"" + p.toUtf8() + "\"\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    return file.commit();
}

struct Job {
    const PictureSet* set;
    int index;
    QString path;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("make_pictures"));
    // Only the image writers are needed, not a display.
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the benchmark picture sets and their shows."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where the sets are written."));
    QCommandLineOption setsOption(QStringLiteral("sets"),
                                  QStringLiteral("Sets to write (camera,hd,bmp,gif,phone-png,screen-png)."),
                                  QStringLiteral("list"), QStringLiteral("camera,hd,bmp,gif"));
    QCommandLineOption jobsOption(QStringLiteral("jobs"), QStringLiteral("Worker threads."),
                                  QStringLiteral("n"),
                                  QString::number(std::max(1u, std::thread::hardware_concurrency())));
    QCommandLineOption forceOption(QStringLiteral("force"),
                                   QStringLiteral("Rewrite pictures already there."));
    parser.addOptions({setsOption, jobsOption, forceOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    const QDir out(parser.positionalArguments().first());
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    std::vector<const PictureSet*> chosen;
    for (const QString& name : parser.value(setsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto it = std::find_if(std::begin(Sets), std::end(Sets),
                                     [&](const PictureSet& s) { return name == QLatin1String(s.name); });
        if (it == std::end(Sets)) {
            std::fprintf(stderr, "make_pictures: no set called %s\n", qPrintable(name));
            return 2;
        }
        if (std::find(chosen.begin(), chosen.end(), it) == chosen.end())
            chosen.push_back(it);
    }

    const QString versionPath = out.absoluteFilePath(QStringLiteral("make_pictures.version"));
    const QByteArray version = QByteArray::number(GeneratorVersion) + '\n';
    QFile versionFile(versionPath);
    const bool sameVersion = versionFile.open(QIODevice::ReadOnly) && versionFile.readAll() == version;
    versionFile.close();
    const bool force = parser.isSet(forceOption) || !sameVersion;
    std::vector<Job> jobs;
    for (const PictureSet* set : chosen) {
        out.mkpath(QLatin1String(set->name));
        for (int i = 0; i < set->count; ++i) {
            const QString path = picturePath(out, *set, i);
            if (force || !QFile::exists(path))
                jobs.push_back({set, i, path});
        }
    }
    // The large pictures first, so that no thread is left with one at the end.
    std::stable_sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) {
        return qint64(a.set->width) * a.set->height > qint64(b.set->width) * b.set->height;
    });

    std::atomic<std::size_t> next{0};
    std::atomic<int> failures{0};
    const int threads = std::max(1, parser.value(jobsOption).toInt());
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < jobs.size();) {
                if (!writePicture(jobs[i].path, *jobs[i].set, jobs[i].index)) {
                    std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(jobs[i].path));
                    ++failures;
                }
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    if (failures > 0)
        return 1;

    if (!sameVersion) {
        QSaveFile stamp(versionPath);
        if (!stamp.open(QIODevice::WriteOnly) || stamp.write(version) != version.size() || !stamp.commit())
            return 1;
    }

    for (const PictureSet* set : chosen) {
        QStringList pictures;
        qint64 bytes = 0;
        for (int i = 0; i < set->count; ++i) {
            pictures << picturePath(out, *set, i);
            bytes += QFileInfo(pictures.last()).size();
        }
        if (!writeShow(out.absoluteFilePath(QLatin1String(set->name) + QStringLiteral(".lmr")), pictures))
            return 1;
        if (set->format == Format::Bmp &&
            !writeShow(out.absoluteFilePath(QStringLiteral("start.lmr")), {pictures.first()}, "2"))
            return 1;
        std::printf("%-10s %4d pictures %5dx%-5d %8.1f MB  %s.lmr\n", set->name, set->count, set->width,
                    set->height, double(bytes) / 1e6, set->name);
    }
    return 0;
}
