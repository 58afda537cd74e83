#pragma once

#include "picture/colour/ColourProfile.h"

#include <QByteArray>
#include <QIODevice>

#include <optional>

// What libheif 1.15 does not tell of a HEIC file's primary picture, read from the file's own boxes
// (ISO/IEC 23008-12): the turn and mirror its 'irot' and 'imir' properties give, in the order the
// file associates them, and the colours its HEVC sequence parameter set's video usability
// information gives by code points (heif-enc writes Display P3 there, not in an 'nclx' box).
namespace heif_boxes {

struct Primary {
    // The 'irot' and 'imir' properties as one EXIF orientation (1 to 8); 1 when there are none.
    int orientation = 1;
    // Whether the picture is HEVC (HEIC): it or its tiles have an 'hvcC' configuration.
    bool hevc = false;
    // Whether a crop ('clap') is among them as well.
    bool cropped = false;
    // Colour code points of H.273 (primaries, transfer, matrix) from the HEVC configuration; none
    // when it gives none.
    struct Colour {
        int primaries = 2, transfer = 2, matrix = 2;
    };
    std::optional<Colour> colour;
};

// Reads the 'meta' box from the start of `file` (up to a few megabytes): nothing when there is none
// or it is damaged. Leaves the file's position anywhere.
std::optional<Primary> read(QIODevice& file);

// The chromaticities and curve of `colour` for colour_profile::profileFor; none for primaries that are
// not given or not known here.
std::optional<colour_profile::CodePoints> codePointsOf(const Primary::Colour& colour);

// The EXIF orientation of the given turns and mirrors, each applied after those before: `quarters`
// anticlockwise quarter turns ('irot' angle), or a mirror ('imir': axis 1 left to right, axis 0 top to
// bottom, as libheif 1.15 writes and reads them).
struct Step {
    bool mirror = false;
    int value = 0; // the angle or the axis
};
int orientationOf(const Step* steps, int count);

} // namespace heif_boxes
