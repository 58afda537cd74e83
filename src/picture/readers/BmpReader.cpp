#include "picture/readers/BmpReader.h"

#include "picture/limits/DecodeLimit.h"
#include "picture/reduce/RowReducer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// Wider rows than this are refused: a row is held whole while it is read.
constexpr int MaxWidth = 1 << 17;
constexpr QRgb Black = 0xff000000u;

quint16 le16(const uchar* p) {
    return quint16(p[0] | p[1] << 8);
}

quint32 le32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// Reads a stream in blocks, byte by byte where run-length codes want it.
class Bytes {
public:
    explicit Bytes(QIODevice& file) : file_(file), buffer_(1 << 16) {}
    // The next byte, or -1 at the end of the file.
    int next() {
        if (at_ == end_) {
            const qint64 got = file_.read(reinterpret_cast<char*>(buffer_.data()), qint64(buffer_.size()));
            if (got <= 0)
                return -1;
            at_ = 0;
            end_ = size_t(got);
        }
        return buffer_[at_++];
    }

private:
    QIODevice& file_;
    std::vector<uchar> buffer_;
    size_t at_ = 0;
    size_t end_ = 0;
};

} // namespace

int BmpReader::Channel::of(quint32 pixel) const {
    // A value of fewer than 8 bits spans the whole range, so that the largest (31 of 5 bits, 1 of a
    // 1-bit alpha) is 255; wider values keep their top 8 bits.
    const quint32 value = (pixel & mask) >> shift;
    if (bits <= 0)
        return 0;
    if (bits < 8) {
        const quint32 top = (1u << bits) - 1;
        return int((value * 255 + top / 2) / top);
    }
    return int(value >> (bits - 8)) & 0xff;
}

BmpReader::BmpReader(QIODevice& file) : file_(file) {
    valid_ = readHeader();
}

bool BmpReader::readHeader() {
    uchar info[124] = {};
    Info header;
    if (!readInfo(info, header))
        return false;
    const bool bitFields = compression_ == BitFields || compression_ == AlphaBitFields;
    quint32 masks[4] = {};
    if (!readMasks(info, header.size, bitFields, masks) || !readPalette(header))
        return false;
    setChannels(bitFields, masks);
    // The pixels start where the header says, but never inside the palette.
    const qint64 paletteEnd = file_.pos();
    dataStart_ = std::max(header.offBits, paletteEnd);
    // Plain 32-bit pixels carry alpha only where a newer header names it, and then, as browsers
    // read them, only when some pixel has any: many writers leave the fourth bytes 0, which would
    // hide the whole picture. Bit fields say what they hold and are taken at their word.
    const bool plainAlpha = compression_ == Plain && bits_ == 32 && masks[3] == 0xff000000u;
    alpha_ = masks[3] && (bitFields || (plainAlpha && !fourthBytesAllZero()));
    if (alpha_)
        alphaChannel_ = channelOf(masks[3]);
    // Run-length coded pixels that no code reaches are left transparent.
    alpha_ = alpha_ || runLength();
    // A file that ends with its palette holds no picture.
    return file_.size() > paletteEnd;
}

bool BmpReader::readInfo(uchar* info, Info& header) {
    uchar head[18] = {};
    if (!file_.seek(0) || file_.read(reinterpret_cast<char*>(head), 18) != 18 || head[0] != 'B' ||
        head[1] != 'M')
        return false;
    header.offBits = le32(head + 10);
    const quint32 infoSize = header.size = le32(head + 14);
    // OS/2 1.x (12), OS/2 2.x (16 to 64) and Windows (40, 52, 56, V4 108, V5 124).
    if (infoSize != 12 && infoSize != 16 && infoSize != 40 && infoSize != 52 && infoSize != 56 &&
        infoSize != 64 && infoSize != 108 && infoSize != 124)
        return false;
    std::memcpy(info, head + 14, 4);
    if (file_.read(reinterpret_cast<char*>(info + 4), infoSize - 4) != qint64(infoSize) - 4)
        return false;
    qint64 width = 0, height = 0;
    int planes = 0;
    if (infoSize == 12) {
        width = le16(info + 4);
        height = le16(info + 6);
        planes = le16(info + 8);
        bits_ = le16(info + 10);
    } else {
        width = qint32(le32(info + 4));
        height = qint32(le32(info + 8));
        planes = le16(info + 12);
        bits_ = le16(info + 14);
        compression_ = int(le32(info + 16));
        header.coloursUsed = le32(info + 32);
    }
    if (planes != 1 || width <= 0 || width > MaxWidth || height == 0 || height == INT_MIN)
        return false;
    if (bits_ != 1 && bits_ != 2 && bits_ != 4 && bits_ != 8 && bits_ != 16 && bits_ != 24 && bits_ != 32)
        return false;
    const bool bitFields = compression_ == BitFields || compression_ == AlphaBitFields;
    const bool fits = compression_ == Plain || (compression_ == RunLength8 && bits_ == 8) ||
                      (compression_ == RunLength4 && bits_ == 4) ||
                      (bitFields && (bits_ == 16 || bits_ == 32));
    if (!fits)
        return false;
    bottomUp_ = height > 0;
    size_ = QSize(int(width), int(qAbs(height)));
    stride_ = (width * bits_ + 31) / 32 * 4;
    return true;
}

bool BmpReader::readMasks(const uchar* info, quint32 infoSize, bool bitFields, quint32* masks) {
    if (infoSize >= 52) {
        for (int i = 0; i < (infoSize >= 56 ? 4 : 3); ++i)
            masks[i] = le32(info + 40 + 4 * i);
    } else if (bitFields) {
        uchar extra[16];
        const int n = compression_ == AlphaBitFields ? 4 : 3;
        if (file_.read(reinterpret_cast<char*>(extra), 4 * n) != 4 * n)
            return false;
        for (int i = 0; i < n; ++i)
            masks[i] = le32(extra + 4 * i);
    }
    return true;
}

bool BmpReader::readPalette(const Info& header) {
    palette_.fill(Black);
    if (bits_ > 8)
        return true;
    // A palette that claims more colours than the pixels can name holds them all the same.
    colours_ =
        header.coloursUsed && header.coloursUsed < (1u << bits_) ? int(header.coloursUsed) : 1 << bits_;
    const int entry = header.size == 12 ? 3 : 4;
    // A palette shorter than its count ends where the pixels start.
    if (header.offBits > file_.pos())
        colours_ =
            int(std::min<qint64>(colours_, std::max<qint64>(1, (header.offBits - file_.pos()) / entry)));
    std::vector<uchar> table(size_t(colours_) * entry);
    if (file_.read(reinterpret_cast<char*>(table.data()), qint64(table.size())) != qint64(table.size()))
        return false;
    for (int i = 0; i < colours_; ++i) {
        const uchar* c = table.data() + i * entry;
        palette_[size_t(i)] = qRgb(c[2], c[1], c[0]);
    }
    return true;
}

BmpReader::Channel BmpReader::channelOf(quint32 mask) {
    Channel c;
    c.mask = mask;
    while (mask && !(mask & 1)) {
        ++c.shift;
        mask >>= 1;
    }
    while (c.bits < 32 && mask >> c.bits)
        ++c.bits;
    return c;
}

void BmpReader::setChannels(bool bitFields, const quint32* masks) {
    if (bitFields) {
        red_ = channelOf(masks[0]);
        green_ = channelOf(masks[1]);
        blue_ = channelOf(masks[2]);
    } else if (bits_ == 16) {
        red_ = channelOf(0x7c00);
        green_ = channelOf(0x03e0);
        blue_ = channelOf(0x001f);
    } else {
        red_ = channelOf(0xff0000);
        green_ = channelOf(0xff00);
        blue_ = channelOf(0xff);
    }
}

bool BmpReader::fourthBytesAllZero() {
    // Rows of 32-bit pixels have no padding: every fourth byte of the data is an alpha.
    const qint64 bytes = stride_ * size_.height();
    if (!file_.seek(dataStart_))
        return true;
    std::vector<uchar> block(1 << 16);
    for (qint64 done = 0; done < bytes;) {
        const qint64 got = file_.read(reinterpret_cast<char*>(block.data()),
                                      std::min<qint64>(qint64(block.size()), bytes - done));
        if (got <= 0)
            break;
        for (qint64 i = 3; i < got; i += 4)
            if (block[size_t(i)])
                return false;
        done += got;
    }
    return true;
}

void BmpReader::convert(const uchar* in, QRgb* out, int from, int to) const {
    switch (bits_) {
    case 1:
        for (int x = from; x < to; ++x)
            out[x] = palette_[(in[x >> 3] >> (7 - (x & 7))) & 1];
        return;
    case 2:
        for (int x = from; x < to; ++x)
            out[x] = palette_[(in[x >> 2] >> (6 - 2 * (x & 3))) & 3];
        return;
    case 4:
        for (int x = from; x < to; ++x)
            out[x] = palette_[(in[x >> 1] >> (x & 1 ? 0 : 4)) & 15];
        return;
    case 8:
        for (int x = from; x < to; ++x)
            out[x] = palette_[in[x]];
        return;
    case 24:
        for (int x = from; x < to; ++x) {
            const uchar* p = in + 3 * x;
            out[x] = Black | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
        }
        return;
    default:
        break;
    }
    const bool wide = bits_ == 32;
    if (wide && !alpha_ && compression_ == Plain) {
        for (int x = from; x < to; ++x)
            out[x] = Black | (le32(in + 4 * x) & 0xffffffu);
        return;
    }
    for (int x = from; x < to; ++x) {
        const quint32 c = wide ? le32(in + 4 * x) : le16(in + 2 * x);
        out[x] = qRgba(red_.of(c), green_.of(c), blue_.of(c), alpha_ ? alphaChannel_.of(c) : 255);
    }
}

bool BmpReader::readRows(RowReducer& rows, const DecodeLimit& limit) {
    if (!valid_)
        return false;
    return runLength() ? readRunLength(rows, limit) : readPlain(rows, limit);
}

bool BmpReader::readPlain(RowReducer& rows, const DecodeLimit& limit) {
    const int h = size_.height();
    // The rows of the file, in file order, that hold the rows wanted.
    const RowReducer::Rows wanted = rows.wantedRows(h);
    const int first = bottomUp_ ? h - 1 - wanted.last : wanted.first;
    const int last = bottomUp_ ? h - 1 - wanted.first : wanted.last;
    if (first > last || !file_.seek(dataStart_ + first * stride_))
        return true;
    std::vector<uchar> in(size_t(stride_) + 4);
    std::vector<QRgb> out(size_t(size_.width()));
    const RowReducer::Columns wantedColumns = rows.wantedColumns(size_.width());
    const int from = wantedColumns.from, to = wantedColumns.to;
    for (int i = first; i <= last; ++i) {
        // A file cut short shows the rows it holds.
        if (file_.read(reinterpret_cast<char*>(in.data()), stride_) != stride_)
            break;
        if (limit.over())
            return false;
        convert(in.data(), out.data(), from, to);
        rows.put(bottomUp_ ? h - 1 - i : i, out.data(), from, to);
    }
    return true;
}

bool BmpReader::readRunLength(RowReducer& rows, const DecodeLimit& limit) {
    if (!file_.seek(dataStart_))
        return true;
    Bytes in(file_);
    const int w = size_.width(), h = size_.height();
    const bool four = compression_ == RunLength4;
    std::vector<QRgb> row(size_t(w), 0);
    int lo = w, hi = 0; // the columns set in `row`
    int x = 0, y = 0;
    const auto set = [&](int index) {
        if (x < w) {
            row[size_t(x)] = palette_[size_t(index)];
            lo = std::min(lo, x);
            hi = std::max(hi, x + 1);
        }
        ++x;
    };
    const auto flush = [&] {
        if (lo < hi) {
            const int at = bottomUp_ ? h - 1 - y : y;
            rows.put(at, row.data(), lo, hi);
            std::fill(row.begin() + lo, row.begin() + hi, 0u);
        }
        lo = w;
        hi = 0;
    };
    // Codes of a byte each may spend as long on nothing as on pixels: the limit is minded per code.
    for (quint32 codes = 0; y < h; ++codes) {
        if ((codes & 0xfff) == 0 && limit.over())
            return false;
        const int b = in.next();
        if (b < 0)
            break;
        if (b > 0) { // a run of one index, or of two alternating ones
            const int v = in.next();
            if (v < 0)
                break;
            for (int i = 0; i < b; ++i)
                set(four ? (i & 1 ? v & 15 : v >> 4) : v);
            continue;
        }
        const int code = in.next();
        if (code < 0 || code == 1) // end of the picture
            break;
        if (code == 0) { // end of the row
            flush();
            x = 0;
            ++y;
        } else if (code == 2) { // move right and down
            const int dx = std::max(0, in.next()), dy = std::max(0, in.next());
            x = std::min(x + dx, w - 1);
            if (dy > 0) {
                flush();
                y = std::min(y + dy, h - 1);
            }
        } else { // `code` indexes as they stand, padded to whole 16-bit words
            const int bytes = four ? (code + 1) / 2 : code;
            int v = 0;
            for (int i = 0; i < code; ++i) {
                if (!four || !(i & 1)) {
                    v = in.next();
                    if (v < 0)
                        break;
                }
                set(four ? (i & 1 ? v & 15 : v >> 4) : v);
            }
            if (v < 0)
                break;
            if (bytes & 1)
                in.next();
        }
    }
    if (y < h)
        flush();
    return true;
}
