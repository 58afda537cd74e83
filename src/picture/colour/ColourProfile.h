#pragma once

#include <QByteArray>
#include <QImage>

#include <memory>

// Shows a picture in the colours its camera or editor meant: pixels described by an embedded ICC
// profile (a phone's Display P3, a camera's Adobe RGB) are turned into sRGB, the colours a screen is
// taken to show. Meant for the picture as held for the screen, after reduction, so that the cost
// follows the screen rather than the photo.
//
// Profiles are judged once and their transforms kept for the next pictures carrying the same bytes
// (a show of one camera's photos shares one profile); any thread may convert.
namespace colour_profile {

// Profiles larger than this are not read: display and camera profiles take a few kilobytes, the
// largest printer profiles a few megabytes.
constexpr qsizetype MaxProfileBytes = 8 << 20;

// What converting from a profile takes.
enum class Effect {
    None, // no profile, sRGB already, or one that cannot describe these pixels: left as they are
    Rgb,  // an RGB profile: each pixel through a transform to sRGB
    Grey, // a grey profile over pixels already spread to RGB: each channel through its tone curve
    Inks, // a CMYK profile: rows of inks through a transform to sRGB (InkProfile)
};

// What converting pixels from `icc` would do (judged once per profile, as `toSrgb` does): None for
// a CMYK profile, whose inks the decoder turns into RGB through an InkProfile.
Effect effectOf(const QByteArray& icc);

// Converts `image` in place from the colours of the profile `icc` to sRGB, the rendering intent
// perceptual. Pictures with alpha are converted unpremultiplied and a premultiplied one is given
// back premultiplied; any other format than Qt's 32-bit ones comes back as one of them. Does nothing,
// at the cost of comparing the profile's bytes with the last few seen, when `effectOf(icc)` is None.
// Whether the pixels were converted.
bool toSrgb(QImage& image, const QByteArray& icc);

// Colours described by code points rather than by a profile, as HEIF and AVIF files give them in
// an 'nclx' box (the numbers of ITU-T H.273): the chromaticities of the primaries and of white, and
// the transfer characteristics' code.
struct CodePoints {
    double red[2], green[2], blue[2], white[2];
    int transfer = 13; // sRGB's
};

// An ICC profile for `points`, for toSrgb; empty when they are sRGB's already (BT.709 primaries
// with sRGB's curve or one a screen shows alike), or when the curve is not one of standard dynamic
// range (PQ and HLG pictures are shown as stored).
QByteArray profileFor(const CodePoints& points);

struct Conversion;

// Turns rows of CMYK inks into sRGB through the CMYK profile they were separated for, as print
// shops' and Photoshop's CMYK JPEGs carry one (without a profile the decoder's own arithmetic
// stands in).
class InkProfile {
public:
    // `inverted`: inks stored as Adobe's programs store them, 255 for none.
    InkProfile(const QByteArray& icc, bool inverted);
    // Whether `icc` is a CMYK profile that can be used.
    bool valid() const { return conversion_ != nullptr; }
    // `count` pixels of C, M, Y, K bytes into 0xffRRGGBB words.
    void toRgb32(const uchar* inks, QRgb* out, int count) const;

private:
    std::shared_ptr<const Conversion> conversion_;
};

} // namespace colour_profile
