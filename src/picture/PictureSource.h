#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>

// A picture as the player shows it: its own (upright) size in pixels and the decoded pixels, which
// may be smaller than that size when the picture is shown reduced.
struct LoadedPicture {
    bool ok = false;
    QSize size;
    QImage image;
    // The part of the picture, in its own pixels, that `image` holds at its own size when only that
    // part is on screen; empty when `image` is the whole picture.
    QRect region;
};

// How the next picture will be shown, so that a decoder can work at the size that is needed.
// `screen` is in the window's own (logical) pixels, which a scaled screen shows with
// `devicePixelRatio` device pixels each.
struct ShowGeometry {
    QSize screen;
    bool stretch = false;
    bool keepRatio = false;
    double devicePixelRatio = 1.0;
    // Every picture seen whole, whatever `stretch` and `keepRatio` say (see wholePic).
    bool whole = false;
    bool operator==(const ShowGeometry&) const = default;
};

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // Loads the picture at `path` as it is shown with `geometry`. An empty path is an empty picture,
    // not a failure.
    virtual LoadedPicture load(const QString& path, const ShowGeometry& geometry) = 0;
    // Whether `load` would hand out `path` at once rather than decode it here, waiting at most
    // `wait` for that; otherwise its decode is under way first of all, and the caller asks again
    // later. A source that decodes in `load` is always ready.
    virtual bool awaitReady(const QString& path, const ShowGeometry& geometry,
                            std::chrono::milliseconds wait) {
        Q_UNUSED(path);
        Q_UNUSED(geometry);
        Q_UNUSED(wait);
        return true;
    }
    // The entries the show will ask for next, nearest first; a source may prepare them meanwhile.
    virtual void planAhead(const QStringList& upcoming, const ShowGeometry& geometry) {
        Q_UNUSED(upcoming);
        Q_UNUSED(geometry);
    }
    // An entry has left the show.
    virtual void forget(const QString& path) { Q_UNUSED(path); }
    // The show will ask for `path` again at its very end (a show without loop ends on its first
    // picture): a source may keep it, once loaded, until then. Empty: nothing is kept.
    virtual void keepForEnd(const QString& path) { Q_UNUSED(path); }
};
