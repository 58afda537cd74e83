#include "picture/reduce/RowReducer.h"

#include "picture/limits/PictureMemory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr QRgb Opaque = 0xff000000u;

// Where source index `i` of `from` falls among `to` (to <= from) cells of the same total length:
// the first cell it touches and the share of its length (in cells) that lies there.
std::pair<int, float> place(qint64 i, qint64 from, qint64 to) {
    const qint64 start = i * to; // in units of 1/from of a cell
    const qint64 cell = start / from;
    const qint64 boundary = (cell + 1) * from;
    const qint64 end = start + to;
    const qint64 inFirst = std::min(end, boundary) - start;
    return {int(cell), float(double(inFirst) / double(from))};
}

} // namespace

RowReducer RowReducer::keeping(QSize source, QRect part, bool alpha) {
    RowReducer r;
    r.source_ = source;
    r.alpha_ = alpha;
    r.part_ = part & QRect(QPoint(0, 0), source);
    r.kept_ = picture_memory::image(r.part_.size(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!r.kept_.isNull())
        r.kept_.fill(alpha ? 0u : Opaque);
    return r;
}

RowReducer RowReducer::reducing(QSize source, QSize target, bool alpha, bool inOrder) {
    RowReducer r;
    r.inOrder_ = inOrder;
    r.source_ = source;
    r.alpha_ = alpha;
    r.reduce_ = true;
    r.target_ = target.boundedTo(source);
    const int sw = source.width(), ow = r.target_.width();
    r.column_.resize(size_t(sw));
    r.share_.resize(size_t(sw));
    for (int x = 0; x < sw; ++x)
        std::tie(r.column_[size_t(x)], r.share_[size_t(x)]) = place(x, sw, ow);
    r.columnWidth_ = float(double(ow) / sw);
    if (inOrder) {
        r.columns_.assign(size_t(sw) * 8, 0.0f);
    } else {
        // One column more than the output: the share of a source column past the last cell is 0 but
        // is still added, so that the inner loop needs no test.
        r.across_.assign(size_t(ow + 1) * 4, 0.0f);
        r.sums_.assign(size_t(ow) * size_t(r.target_.height()) * 4, 0);
        r.uniformRows_.assign(size_t(r.target_.height()) * 4, 0.0f);
    }
    r.reduced_ =
        picture_memory::image(r.target_, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (!r.reduced_.isNull())
        r.reduced_.fill(alpha ? 0u : Opaque);
    return r;
}

bool RowReducer::wants(int y) const {
    if (reduce_)
        return y >= 0 && y < source_.height();
    return y >= part_.top() && y <= part_.bottom();
}

RowReducer::Rows RowReducer::wantedRows(int height) const {
    const Rows wanted = reduce_ ? Rows{0, std::min(height, source_.height()) - 1}
                                : Rows{std::max(part_.top(), 0), std::min(part_.bottom(), height - 1)};
    return wanted.empty() ? Rows{} : wanted;
}

RowReducer::Columns RowReducer::wantedColumns(int width) const {
    const int from = std::clamp(firstColumn(), 0, width);
    return {from, std::clamp(endColumn(), from, width)};
}

void RowReducer::put(int y, const QRgb* row, int from, int to) {
    if (!wants(y))
        return;
    from = std::max(from, firstColumn());
    to = std::min(to, endColumn());
    if (!reduce_) {
        if (kept_.isNull())
            return;
        auto* out = reinterpret_cast<QRgb*>(kept_.scanLine(y - part_.top()));
        const QRgb set = alpha_ ? 0u : Opaque;
        for (int x = from; x < to; ++x)
            out[x - part_.left()] = row[x] | set;
        return;
    }
    if (from >= to)
        return;
    if (inOrder_)
        putInOrder(y, row, from, to);
    else
        putAnyOrder(y, row, from, to);
}

void RowReducer::fill(int y, QRgb colour) {
    if (!wants(y))
        return;
    if (!reduce_) {
        if (kept_.isNull())
            return;
        auto* out = reinterpret_cast<QRgb*>(kept_.scanLine(y - part_.top()));
        std::fill(out, out + part_.width(), alpha_ ? colour : colour | Opaque);
        return;
    }
    // What put() would add for each pixel, premultiplied where the picture has alpha.
    const float a = float(qAlpha(colour));
    const float k = alpha_ ? a * (1.0f / 255.0f) : 1.0f;
    const float red = k * float(qRed(colour)), green = k * float(qGreen(colour)),
                blue = k * float(qBlue(colour));
    const auto [oy, share] = place(y, source_.height(), target_.height());
    const float rowHeight = float(double(target_.height()) / source_.height());
    const float weights[2] = {share, rowHeight - share};
    for (int i = 0; i < 2; ++i) {
        const float w = weights[i];
        if (oy + i >= target_.height() || w <= 0.0f)
            continue;
        if (inOrder_) {
            float* u = uniform_[slotFor(oy + i)];
            u[0] += w * blue;
            u[1] += w * green;
            u[2] += w * red;
            u[3] += w * a;
        } else {
            float* u = uniformRows_.data() + size_t(oy + i) * 4;
            const float w256 = w * 256.0f;
            u[0] += w256 * red;
            u[1] += w256 * green;
            u[2] += w256 * blue;
            u[3] += w256 * (alpha_ ? a : 255.0f);
        }
    }
}

namespace {

// Adds `weight` times the pixels [from, to) of `row` to `columns` (4 floats per pixel, in the order
// of a QRgb's bytes), premultiplied by their alpha if `alpha`. This is where a reduced picture spends
// its time, once for every source pixel: four pixels a step where the processor allows.
void addRow(float* columns, const QRgb* row, int from, int to, float weight, bool alpha) {
    int x = from;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128 w = _mm_set1_ps(weight);
    const __m128 toUnit = _mm_set1_ps(1.0f / 255.0f);
    const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
    const __m128 alphaLane = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
    const auto add = [&](float* c, __m128 v) {
        if (alpha) {
            __m128 k = _mm_mul_ps(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)), toUnit);
            k = _mm_or_ps(_mm_and_ps(k, colourLanes), alphaLane);
            v = _mm_mul_ps(v, k);
        }
        _mm_storeu_ps(c, _mm_add_ps(_mm_loadu_ps(c), _mm_mul_ps(v, w)));
    };
    for (; x + 4 <= to; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i low = _mm_unpacklo_epi8(four, zero), high = _mm_unpackhi_epi8(four, zero);
        float* c = columns + size_t(x) * 4;
        add(c, _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)));
        add(c + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)));
        add(c + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)));
        add(c + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)));
    }
#endif
    for (; x < to; ++x) {
        const QRgb p = row[x];
        const float a = float(qAlpha(p));
        const float k = alpha ? weight * a * (1.0f / 255.0f) : weight;
        float* c = columns + size_t(x) * 4;
        c[0] += k * float(qBlue(p));
        c[1] += k * float(qGreen(p));
        c[2] += k * float(qRed(p));
        c[3] += weight * a;
    }
}

} // namespace

void RowReducer::putInOrder(int y, const QRgb* row, int from, int to) {
    const auto [oy, share] = place(y, source_.height(), target_.height());
    const float rowHeight = float(double(target_.height()) / source_.height());
    const float weights[2] = {share, rowHeight - share};
    for (int k = 0; k < 2; ++k)
        if (oy + k < target_.height() && weights[k] > 0.0f)
            addRow(columns_.data() + size_t(slotFor(oy + k)) * size_t(source_.width()) * 4, row, from, to,
                   weights[k], alpha_);
}

int RowReducer::slotFor(int oy) {
    for (int slot = 0; slot < 2; ++slot)
        if (open_[slot] == oy)
            return slot;
    // Rows come in order, so a source row touches the output row of the last one or the next:
    // the held row furthest from `oy` is finished.
    const int slot =
        open_[0] < 0 || (open_[1] >= 0 && std::abs(open_[0] - oy) > std::abs(open_[1] - oy)) ? 0 : 1;
    finishColumns(slot);
    open_[slot] = oy;
    return slot;
}

void RowReducer::finishColumns(int slot) {
    const int oy = open_[slot];
    if (oy < 0)
        return;
    open_[slot] = -1;
    float* c = columns_.data() + size_t(slot) * size_t(source_.width()) * 4;
    float uniform[4];
    std::copy(uniform_[slot], uniform_[slot] + 4, uniform);
    std::fill(uniform_[slot], uniform_[slot] + 4, 0.0f);
    if (reduced_.isNull()) {
        std::fill(c, c + size_t(source_.width()) * 4, 0.0f);
        return;
    }
    auto* line = reinterpret_cast<QRgb*>(reduced_.scanLine(oy));
    const int sw = source_.width();
    const float whole = columnWidth_;
    // Each source column lies in one output column or straddles two; what it gives the next is
    // carried, and an output column is written as soon as the columns move past it. The columns are
    // cleared on the way for the next output row they gather.
#if defined(__SSE2__)
    const __m128 rowOfOneColour = _mm_loadu_ps(uniform);
    const auto write = [&](int ox, __m128 v) {
        const __m128i i = _mm_cvtps_epi32(_mm_add_ps(v, rowOfOneColour));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(i, i), _mm_setzero_si128());
        QRgb p = QRgb(_mm_cvtsi128_si32(bytes));
        if (alpha_) {
            // Premultiplied: no colour above its alpha, which rounding could otherwise give.
            const uint a = qAlpha(p);
            p = qRgba(std::min<uint>(qRed(p), a), std::min<uint>(qGreen(p), a), std::min<uint>(qBlue(p), a),
                      a);
        } else {
            p |= Opaque;
        }
        line[ox] = p;
    };
    __m128 here = _mm_setzero_ps(), next = _mm_setzero_ps();
    int column = column_[0];
    for (int x = 0; x < sw; ++x, c += 4) {
        if (column_[size_t(x)] != column) {
            write(column, here);
            here = next;
            next = _mm_setzero_ps();
            column = column_[size_t(x)];
        }
        const __m128 v = _mm_loadu_ps(c);
        _mm_storeu_ps(c, _mm_setzero_ps());
        const float s = share_[size_t(x)];
        here = _mm_add_ps(here, _mm_mul_ps(v, _mm_set1_ps(s)));
        next = _mm_add_ps(next, _mm_mul_ps(v, _mm_set1_ps(whole - s)));
    }
    write(column, here);
#else
    const auto write = [&](int ox, const float* v) {
        const auto level = [&](int i) { return std::clamp(int(std::lround(v[i] + uniform[i])), 0, 255); };
        const int a = alpha_ ? level(3) : 255;
        line[ox] = qRgba(std::min(a, level(2)), std::min(a, level(1)), std::min(a, level(0)), a);
    };
    float here[4] = {}, next[4] = {};
    int column = column_[0];
    for (int x = 0; x < sw; ++x, c += 4) {
        if (column_[size_t(x)] != column) {
            write(column, here);
            std::copy(next, next + 4, here);
            std::fill(next, next + 4, 0.0f);
            column = column_[size_t(x)];
        }
        const float s = share_[size_t(x)];
        for (int i = 0; i < 4; ++i) {
            here[i] += c[i] * s;
            next[i] += c[i] * (whole - s);
            c[i] = 0.0f;
        }
    }
    write(column, here);
#endif
}

void RowReducer::putAnyOrder(int y, const QRgb* row, int from, int to) {
    const int ox0 = column_[size_t(from)];
    const int ox1 = column_[size_t(to - 1)] + 1;
    std::fill(across_.begin() + ox0 * 4, across_.begin() + (ox1 + 1) * 4, 0.0f);
    float* across = across_.data();
    const float whole = columnWidth_;
    // Many source columns fall into one output column: their shares are summed in registers and
    // added to the row once the output column changes. Of an opaque picture, the columns wholly
    // inside the output column are summed as whole numbers (red and blue side by side in one word);
    // only the few that straddle two output columns are split.
    int column = column_[size_t(from)];
    float here[4] = {}, next[4] = {};
    quint64 redBlue = 0, green = 0, wholeColumns = 0;
    const auto flush = [&] {
        here[0] += whole * float(redBlue >> 32);
        here[1] += whole * float(green);
        here[2] += whole * float(redBlue & 0xFFFFFFFFu);
        here[3] += whole * 255.0f * float(wholeColumns);
        redBlue = green = wholeColumns = 0;
        float* c = across + column * 4;
        for (int i = 0; i < 4; ++i) {
            c[i] += here[i];
            c[4 + i] += next[i];
            here[i] = next[i] = 0.0f;
        }
    };
    for (int x = from; x < to; ++x) {
        if (column_[size_t(x)] != column) {
            flush();
            column = column_[size_t(x)];
        }
        const QRgb p = row[x];
        const float w0 = share_[size_t(x)];
        if (!alpha_ && w0 == whole) {
            redBlue += (quint64(p & 0xFF0000u) << 16) | (p & 0xFFu);
            green += (p >> 8) & 0xFFu;
            ++wholeColumns;
            continue;
        }
        float v[4] = {float(qRed(p)), float(qGreen(p)), float(qBlue(p)), 255.0f};
        if (alpha_) {
            v[3] = float(qAlpha(p));
            const float k = v[3] * (1.0f / 255.0f);
            v[0] *= k;
            v[1] *= k;
            v[2] *= k;
        }
        const float w1 = whole - w0;
        for (int i = 0; i < 4; ++i) {
            here[i] += w0 * v[i];
            next[i] += w1 * v[i];
        }
    }
    flush();
    accumulate(y, ox0, std::min(ox1 + 1, target_.width()));
}

void RowReducer::finish(int oy) {
    if (reduced_.isNull())
        return;
    const quint16* s = sums_.data() + size_t(oy) * size_t(target_.width()) * 4;
    const float* u = uniformRows_.data() + size_t(oy) * 4;
    auto* line = reinterpret_cast<QRgb*>(reduced_.scanLine(oy));
    const auto level = [&](const quint16* s, int i) {
        return std::min(255, (s[i] + int(u[i] + 0.5f) + 128) >> 8);
    };
    for (int x = 0; x < target_.width(); ++x, s += 4) {
        const int a = alpha_ ? level(s, 3) : 255;
        const int r = std::min(a, level(s, 0));
        const int g = std::min(a, level(s, 1));
        const int b = std::min(a, level(s, 2));
        line[x] = qRgba(r, g, b, a);
    }
}

void RowReducer::accumulate(int y, int ox0, int ox1) {
    const auto [oy, share] = place(y, source_.height(), target_.height());
    const float rowHeight = float(double(target_.height()) / source_.height());
    const float weights[2] = {share * 256.0f, (rowHeight - share) * 256.0f};
    for (int k = 0; k < 2; ++k) {
        if (oy + k >= target_.height() || weights[k] <= 0.0f)
            continue;
        const float w = weights[k];
        quint16* sums = sums_.data() + size_t(oy + k) * size_t(target_.width()) * 4;
        for (int i = ox0 * 4; i < ox1 * 4; ++i) {
            const int v = sums[i] + int(across_[size_t(i)] * w + 0.5f);
            sums[i] = quint16(std::min(v, 0xffff));
        }
    }
}

QImage RowReducer::take() {
    if (!reduce_)
        return std::move(kept_);
    if (inOrder_) {
        finishColumns(0);
        finishColumns(1);
        std::vector<float>().swap(columns_);
    } else {
        for (int oy = 0; oy < target_.height(); ++oy)
            finish(oy);
        std::vector<quint16>().swap(sums_);
    }
    return std::move(reduced_);
}
