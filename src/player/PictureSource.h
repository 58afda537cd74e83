#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// A picture as the player shows it: its own (upright) size in pixels and the decoded pixels, which
// may be smaller than that size when the picture is shown reduced.
struct LoadedPicture {
    bool ok = false;
    QSize size;
    QImage image;
};

// How the next picture will be shown, so that a decoder can work at the size that is needed.
struct ShowGeometry {
    QSize screen;
    bool stretch = false;
    bool keepRatio = false;
};

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // Loads the picture at `path` for entry `index` of the play order. An empty path is an empty
    // picture, not a failure.
    virtual LoadedPicture load(qsizetype index, const QString& path, const ShowGeometry& geometry) = 0;
};
