#include "picture/colour/ColourProfile.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#include <lcms2.h>

namespace colour_profile {

struct Conversion {
    Effect effect = Effect::None;
    // Rgb: 32-bit pixels to 32-bit pixels, applied in place, where lcms writes the colour channels
    // only and alpha stays (copying it over itself took a seventh of the time). Without lcms's
    // one-pixel cache, which photos' grain never hits, the transform is faster and holds no state
    // between calls: one serves every thread. Inks: C, M, Y, K bytes to 32-bit pixels, their alpha
    // left unwritten.
    cmsHTRANSFORM transform = nullptr;
    // Grey: the level each grey level becomes in red, green and blue.
    std::array<std::array<uchar, 256>, 3> curves{};

    Conversion() = default;
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    ~Conversion() {
        if (transform)
            cmsDeleteTransform(transform);
    }
};

namespace {

// Qt's 32-bit formats hold 0xAARRGGBB words, which little-endian memory holds as B, G, R, A.
constexpr cmsUInt32Number Pixel32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

// A show of one camera's photos carries one profile, a mixed folder a handful; the bytes kept to
// recognise them are bounded too, since printer profiles run to megabytes.
constexpr size_t CachedProfiles = 8;
constexpr qsizetype CachedBytes = 16 << 20;

// A converted colour this close to the original is not worth a pass over the picture: an sRGB
// profile of another vendor than lcms's own rounds a level apart here and there.
constexpr int SameLevels = 1;

void ignoreError(cmsContext, cmsUInt32Number, const char*) {}

// Little CMS through a context of our own whose complaints about damaged profiles are silenced: a
// damaged profile is a picture shown in its stored colours, not a message on the terminal.
cmsContext context() {
    static const cmsContext made = [] {
        cmsContext c = cmsCreateContext(nullptr, nullptr);
        cmsSetLogErrorHandlerTHR(c, ignoreError);
        return c;
    }();
    return made;
}

class Profile {
public:
    explicit Profile(cmsHPROFILE handle) : handle_(handle) {}
    ~Profile() {
        if (handle_)
            cmsCloseProfile(handle_);
    }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
    cmsHPROFILE get() const { return handle_; }

private:
    cmsHPROFILE handle_;
};

bool near(int a, int b) {
    return std::abs(a - b) <= SameLevels;
}

// Perceptual: where a profile carries tables drawn for pictures, those are what its maker meant
// pictures to look like, and what browsers and ImageMagick use. Camera and display profiles are
// matrices and curves without such tables, for which lcms gives the relative colorimetric result.
void buildRgb(Conversion& c, cmsHPROFILE from, cmsHPROFILE srgb) {
    cmsHTRANSFORM t =
        cmsCreateTransformTHR(context(), from, Pixel32, srgb, Pixel32, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (!t)
        return;
    // An sRGB profile, whoever made it, leaves a grid of colours where they were.
    std::vector<QRgb> grid;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15)
                grid.push_back(qRgb(r, g, b));
    std::vector<QRgb> out(grid.size());
    cmsDoTransform(t, grid.data(), out.data(), cmsUInt32Number(grid.size()));
    bool same = true;
    for (size_t i = 0; i < grid.size() && same; ++i)
        same = near(qRed(grid[i]), qRed(out[i])) && near(qGreen(grid[i]), qGreen(out[i])) &&
               near(qBlue(grid[i]), qBlue(out[i]));
    if (same) {
        cmsDeleteTransform(t);
        return;
    }
    c.transform = t;
    c.effect = Effect::Rgb;
}

// Grey pictures reach us spread to RGB: a grey profile's tone curve applies to each channel alike,
// which for the grey pixels such a picture holds is the exact conversion.
// The levels are worked out in 16 bits without lcms's sampling: a curve as steep as a linear grey's
// loses several levels in the darks when sampled.
void buildGrey(Conversion& c, cmsHPROFILE from, cmsHPROFILE srgb) {
    cmsHTRANSFORM t = cmsCreateTransformTHR(context(), from, TYPE_GRAY_16, srgb, TYPE_RGB_16,
                                            INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
    if (!t)
        return;
    std::array<quint16, 256> levels;
    for (size_t i = 0; i < 256; ++i)
        levels[i] = quint16(i * 257);
    std::array<quint16, 3 * 256> out{};
    cmsDoTransform(t, levels.data(), out.data(), 256);
    cmsDeleteTransform(t);
    bool same = true;
    for (size_t i = 0; i < 256; ++i)
        for (size_t channel = 0; channel < 3; ++channel) {
            const int level = (out[3 * i + channel] + 128) / 257;
            c.curves[channel][i] = uchar(level);
            same = same && near(level, int(i));
        }
    if (!same)
        c.effect = Effect::Grey;
}

// What a profile's bytes are asked for: the colours of RGB pixels, or the inks of a CMYK picture.
enum class Use { Colours, Inks, InvertedInks };

void buildInks(Conversion& c, cmsHPROFILE from, cmsHPROFILE srgb, bool inverted) {
    c.transform = cmsCreateTransformTHR(context(), from, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, srgb,
                                        Pixel32, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (c.transform)
        c.effect = Effect::Inks;
}

std::shared_ptr<const Conversion> build(const QByteArray& icc, Use use) {
    auto c = std::make_shared<Conversion>();
    if (icc.size() > MaxProfileBytes)
        return c;
    const Profile from(cmsOpenProfileFromMemTHR(context(), icc.constData(), cmsUInt32Number(icc.size())));
    const Profile srgb(cmsCreate_sRGBProfileTHR(context()));
    if (!from.get() || !srgb.get())
        return c;
    // Links and abstract profiles describe no picture's colours.
    switch (cmsGetDeviceClass(from.get())) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
        break;
    default:
        return c;
    }
    // The inks of a CMYK picture are turned into RGB as they are decoded: its pixels need nothing more.
    if (use != Use::Colours) {
        if (cmsGetColorSpace(from.get()) == cmsSigCmykData)
            buildInks(*c, from.get(), srgb.get(), use == Use::InvertedInks);
    } else if (cmsGetColorSpace(from.get()) == cmsSigRgbData)
        buildRgb(*c, from.get(), srgb.get());
    else if (cmsGetColorSpace(from.get()) == cmsSigGrayData)
        buildGrey(*c, from.get(), srgb.get());
    return c;
}

// The profiles seen last, most recent first, each judged once.
class Cache {
public:
    std::shared_ptr<const Conversion> find(const QByteArray& icc, Use use) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->use == use && it->icc == icc) {
                entries_.splice(entries_.begin(), entries_, it);
                return entries_.front().conversion;
            }
        // Built under the lock: pictures decoded side by side with one new profile build it once.
        auto made = build(icc, use);
        entries_.push_front({icc, use, made});
        bytes_ += icc.size();
        while (entries_.size() > CachedProfiles || (bytes_ > CachedBytes && entries_.size() > 1)) {
            bytes_ -= entries_.back().icc.size();
            entries_.pop_back();
        }
        return made;
    }

private:
    struct Entry {
        QByteArray icc;
        Use use;
        std::shared_ptr<const Conversion> conversion;
    };
    std::mutex mutex_;
    std::list<Entry> entries_;
    qsizetype bytes_ = 0;
};

std::shared_ptr<const Conversion> conversionFor(const QByteArray& icc, Use use = Use::Colours) {
    static Cache cache;
    return cache.find(icc, use);
}

void applyCurves(QImage& image, const Conversion& c) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            row[x] = qRgba(c.curves[0][qRed(p)], c.curves[1][qGreen(p)], c.curves[2][qBlue(p)], qAlpha(p));
        }
    }
}

} // namespace

Effect effectOf(const QByteArray& icc) {
    return icc.isEmpty() || icc.size() > MaxProfileBytes ? Effect::None : conversionFor(icc)->effect;
}

bool toSrgb(QImage& image, const QByteArray& icc) {
    if (icc.isEmpty() || icc.size() > MaxProfileBytes || image.isNull())
        return false;
    const auto conversion = conversionFor(icc);
    if (conversion->effect == Effect::None)
        return false;
    // The colour of a pixel is converted, not its share of a blend with what lies beneath.
    const QImage::Format given = image.format();
    const bool premultiplied = given == QImage::Format_ARGB32_Premultiplied;
    if (given != QImage::Format_RGB32 && given != QImage::Format_ARGB32) {
        // Out of memory for the copy, the picture is shown in its stored colours rather than lost.
        QImage work =
            image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (work.isNull())
            return false;
        image = std::move(work);
    }
    if (conversion->effect == Effect::Rgb) {
        uchar* bits = image.bits();
        const auto stride = cmsUInt32Number(image.bytesPerLine());
        cmsDoTransformLineStride(conversion->transform, bits, bits, cmsUInt32Number(image.width()),
                                 cmsUInt32Number(image.height()), stride, stride, 0, 0);
    } else {
        applyCurves(image, *conversion);
    }
    if (premultiplied) {
        QImage back = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!back.isNull())
            image = std::move(back);
    }
    return true;
}

InkProfile::InkProfile(const QByteArray& icc, bool inverted) {
    if (icc.isEmpty() || icc.size() > MaxProfileBytes)
        return;
    auto made = conversionFor(icc, inverted ? Use::InvertedInks : Use::Inks);
    if (made->effect == Effect::Inks)
        conversion_ = std::move(made);
}

void InkProfile::toRgb32(const uchar* inks, QRgb* out, int count) const {
    cmsDoTransform(conversion_->transform, inks, out, cmsUInt32Number(count));
    for (int x = 0; x < count; ++x)
        out[x] |= 0xff000000u;
}

namespace {

// The curves of H.273's transfer codes that a screen shows without tone mapping. BT.709, BT.601 and
// BT.2020 give a camera's curve, which screens (and browsers) show as sRGB's; so do files that leave
// it unspecified.
cmsToneCurve* curveFor(int transfer) {
    switch (transfer) {
    case 1:
    case 2:
    case 6:
    case 13:
    case 14:
    case 15: {
        const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        return cmsBuildParametricToneCurve(context(), 4, srgb);
    }
    case 4:
        return cmsBuildGamma(context(), 2.2);
    case 5:
        return cmsBuildGamma(context(), 2.8);
    case 8:
        return cmsBuildGamma(context(), 1.0);
    default:
        return nullptr;
    }
}

bool showsAsSrgb(int transfer) {
    return transfer == 1 || transfer == 2 || transfer == 6 || transfer == 13 || transfer == 14 ||
           transfer == 15;
}

bool isBt709(const CodePoints& p) {
    const auto near = [](const double* xy, double x, double y) {
        return std::abs(xy[0] - x) < 0.001 && std::abs(xy[1] - y) < 0.001;
    };
    return near(p.red, 0.64, 0.33) && near(p.green, 0.30, 0.60) && near(p.blue, 0.15, 0.06) &&
           near(p.white, 0.3127, 0.3290);
}

QByteArray makeProfile(const CodePoints& p) {
    cmsToneCurve* curve = curveFor(p.transfer);
    if (!curve)
        return {};
    const cmsCIExyY white{p.white[0], p.white[1], 1.0};
    const cmsCIExyYTRIPLE primaries{
        {p.red[0], p.red[1], 1.0}, {p.green[0], p.green[1], 1.0}, {p.blue[0], p.blue[1], 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Profile profile(cmsCreateRGBProfileTHR(context(), &white, &primaries, curves));
    cmsFreeToneCurve(curve);
    cmsUInt32Number bytes = 0;
    if (!profile.get() || !cmsSaveProfileToMem(profile.get(), nullptr, &bytes) || bytes == 0)
        return {};
    QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile.get(), icc.data(), &bytes))
        return {};
    return icc;
}

} // namespace

QByteArray profileFor(const CodePoints& points) {
    if (isBt709(points) && showsAsSrgb(points.transfer))
        return {};
    // Kept, so that every picture of one phone gives the same bytes (a profile made anew carries the
    // time it was made) and finds the transform made for the first.
    using Key = std::tuple<double, double, double, double, double, double, double, double, int>;
    static std::mutex made;
    static auto* profiles = new std::map<Key, QByteArray>;
    const Key key{points.red[0],  points.red[1],   points.green[0], points.green[1], points.blue[0],
                  points.blue[1], points.white[0], points.white[1], points.transfer};
    const std::lock_guard lock(made);
    if (const auto found = profiles->find(key); found != profiles->end())
        return found->second;
    if (profiles->size() >= CachedProfiles)
        profiles->clear();
    return (*profiles)[key] = makeProfile(points);
}

} // namespace colour_profile
