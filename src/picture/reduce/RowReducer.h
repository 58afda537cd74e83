#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

// Takes a picture's rows as a streaming decoder produces them, in any order, and keeps only what is
// shown: at its own size the part on screen, reduced the area average of the source pixels. What
// it holds is the result and a row, never the whole picture, whatever size that claims.
class RowReducer {
public:
    // Keeps `part` of a picture of `source` pixels at its own size.
    static RowReducer keeping(QSize source, QRect part, bool alpha);
    // Reduces a picture of `source` pixels to `target`, which is no larger in either direction.
    // Rows given `inOrder` (top to bottom or bottom to top) need two rows of sums; others, those
    // of the whole result.
    static RowReducer reducing(QSize source, QSize target, bool alpha, bool inOrder);

    QSize source() const { return source_; }
    // Whether source row `y` has any bearing on the result: a decoder may skip the others.
    bool wants(int y) const;
    // The source rows [first, last] of a picture `height` rows high that have any bearing on the
    // result: a decoder may stop before and after them.
    struct Rows {
        int first = 0;
        int last = -1;
        bool empty() const { return first > last; }
    };
    Rows wantedRows(int height) const;
    // The columns [from, to) of a row `width` pixels wide that have any bearing on the result.
    struct Columns {
        int from = 0;
        int to = 0;
    };
    Columns wantedColumns(int width) const;
    // The columns [first, end) of a row that have any bearing on the result.
    int firstColumn() const { return reduce_ ? 0 : part_.left(); }
    int endColumn() const { return reduce_ ? source_.width() : part_.right() + 1; }

    // Source row `y`, given at most once: `row` holds the row's pixels as 0xAARRGGBB from column 0,
    // of which only those in [from, to) may be other than 0 (transparent black).
    void put(int y, const QRgb* row, int from, int to);
    // Source row `y` all of one colour.
    void fill(int y, QRgb colour);

    // The result. What no row reached is transparent, which a picture without alpha shows as black.
    // Held at its own size in QImage::Format_ARGB32 or Format_RGB32 (as Qt's readers give them),
    // reduced in the formats a window paints with (premultiplied or RGB32).
    QImage take();

private:
    RowReducer() = default;
    // Rows in order: each row is added into the one or two output rows it falls in, still at the
    // source's width; an output row is reduced across once, when no later row can reach it.
    void putInOrder(int y, const QRgb* row, int from, int to);
    int slotFor(int oy);
    void finishColumns(int slot);
    // Rows in any order: each row is reduced across at once and added into the sums of the result.
    void putAnyOrder(int y, const QRgb* row, int from, int to);
    void accumulate(int y, int ox0, int ox1);
    void finish(int oy);

    QSize source_;
    bool alpha_ = false;
    bool reduce_ = false;
    QRect part_;  // kept at its own size
    QImage kept_; // the part at its own size, or the reduced result once taken

    // Reducing: where each source column falls, in output columns (its first output column and the
    // share of its width that lies there; the rest lies in the next).
    std::vector<int> column_;
    std::vector<float> share_;
    float columnWidth_ = 1; // a source column's width in output columns
    QSize target_;
    bool inOrder_ = false;
    QImage reduced_;
    // In order: two output rows being gathered at the source's width, 4 premultiplied channels per
    // source column in the order of a QRgb's bytes, and the output row each holds (-1 for none).
    std::vector<float> columns_;
    int open_[2] = {-1, -1};
    // Rows of one colour add the same to every output column whatever the picture's width (the
    // screen around a small GIF frame may be 65535 pixels wide): what they give an output row is
    // kept apart and added as the row is finished, so that a fill costs the same at any width. In
    // order one sum per open row (as the columns, in a QRgb's byte order); in any order one per
    // output row (red, green, blue, alpha, in the sums' units).
    float uniform_[2][4] = {};
    std::vector<float> uniformRows_;
    // Any order: one source row reduced across (4 channels per output column, and one spare column)
    // and the whole output so far (4 premultiplied channels, 8.8 fixed point).
    std::vector<float> across_;
    std::vector<quint16> sums_;
};
