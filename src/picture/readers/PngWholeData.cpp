#include "picture/readers/PngWholeData.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include <libdeflate.h>
#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace png_whole {

namespace {

// Read at once: large enough that the kernel copies straight into place.
constexpr size_t Block = size_t(1) << 20;
// Deflate's longest look back; a stream declaring a smaller window must not reach beyond it, which
// zlib checks and libdeflate does not.
constexpr size_t LongestDistance = 32768;

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Gathers the contents of consecutive data chunks into `into`, reading raw blocks at the end of what
// is gathered and closing the gaps of the chunks' headers and CRCs as it goes. The first chunk's
// length and type are read already. The gathered size, or nothing for a chunk cut short or damaged
// or more than `capacity`.
std::optional<size_t> gather(QIODevice& file, uint8_t* into, size_t capacity) {
    // Between two chunks' contents: the first one's CRC, the next one's length and type.
    uint8_t seam[12];
    size_t seamHave = 0, left = 0, out = 0;
    uint32_t crc = 0;
    // Takes the chunk whose length and type end the seam: false when it ends the data.
    const auto next = [&] {
        if (std::memcmp(seam + 8, "IDAT", 4) != 0)
            return false;
        left = bigEndian(seam + 4);
        crc = libdeflate_crc32(0, seam + 8, 4);
        seamHave = 0;
        return true;
    };
    if (!file.seek(file.pos() - 8) || file.read(reinterpret_cast<char*>(seam + 4), 8) != 8 || !next())
        return std::nullopt;
    for (;;) {
        if (left > 0x7fffffff)
            return std::nullopt;
        const size_t room = capacity - out;
        if (room == 0)
            return std::nullopt;
        const qint64 got = file.read(reinterpret_cast<char*>(into + out), qint64(std::min(room, Block)));
        // A file cut after a chunk's CRC may still hold all of the data.
        if (got <= 0)
            return left == 0 && seamHave >= 4 && bigEndian(seam) == crc ? std::optional(out) : std::nullopt;
        const uint8_t* p = into + out;
        const uint8_t* const end = p + got;
        while (p < end) {
            if (left > 0) {
                const size_t n = std::min(left, size_t(end - p));
                crc = libdeflate_crc32(crc, p, n);
                std::memmove(into + out, p, n);
                out += n;
                p += n;
                left -= n;
                continue;
            }
            const size_t n = std::min(sizeof seam - seamHave, size_t(end - p));
            std::memcpy(seam + seamHave, p, n);
            seamHave += n;
            p += n;
            if (seamHave < sizeof seam)
                continue;
            if (bigEndian(seam) != crc)
                return std::nullopt;
            if (!next())
                return out;
            if (left > 0x7fffffff)
                return std::nullopt;
        }
    }
}

struct Decompressor {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Decompressor() {
        if (d)
            libdeflate_free_decompressor(d);
    }
};

inline int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

#if defined(__SSE2__)
// A pixel's bytes built in a register: bytes stored one by one and read back as one word would wait
// on the store, a pixel at a time.
template <int Bytes> inline __m128i loadPixel(const uint8_t* p) {
    uint32_t v;
    if constexpr (Bytes == 4) {
        std::memcpy(&v, p, 4);
    } else {
        uint16_t low;
        std::memcpy(&low, p, 2);
        v = low | uint32_t(p[2]) << 16;
    }
    return _mm_cvtsi32_si128(int(v));
}

template <int Bytes> inline void storePixel(uint8_t* p, __m128i v) {
    const uint32_t x = uint32_t(_mm_cvtsi128_si32(v));
    if constexpr (Bytes == 4) {
        std::memcpy(p, &x, 4);
    } else {
        const uint16_t low = uint16_t(x);
        std::memcpy(p, &low, 2);
        p[2] = uint8_t(x >> 16);
    }
}

// Sub, Average and Paeth of three or four bytes a pixel, a pixel at a time in vector lanes.
template <int Bytes> void subPixels(uint8_t* row, size_t n) {
    __m128i left = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += Bytes) {
        left = _mm_add_epi8(left, loadPixel<Bytes>(row + i));
        storePixel<Bytes>(row + i, left);
    }
}

template <int Bytes> void averagePixels(uint8_t* row, const uint8_t* prior, size_t n) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i left = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += Bytes) {
        const __m128i up = loadPixel<Bytes>(prior + i);
        // The rounded-up mean less the dropped half bit: the mean rounded down.
        const __m128i mean =
            _mm_sub_epi8(_mm_avg_epu8(left, up), _mm_and_si128(_mm_xor_si128(left, up), one));
        left = _mm_add_epi8(mean, loadPixel<Bytes>(row + i));
        storePixel<Bytes>(row + i, left);
    }
}

template <int Bytes> void paethPixels(uint8_t* row, const uint8_t* prior, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero; // left and upper left, widened to 16 bits
    for (size_t i = 0; i < n; i += Bytes) {
        const __m128i b = _mm_unpacklo_epi8(loadPixel<Bytes>(prior + i), zero);
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        const __m128i sum = _mm_add_epi16(bc, ac);
        const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
        const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
        const __m128i pc = _mm_max_epi16(sum, _mm_sub_epi16(zero, sum));
        const __m128i least = _mm_min_epi16(_mm_min_epi16(pa, pb), pc);
        const __m128i takeA = _mm_cmpeq_epi16(least, pa);
        const __m128i takeB = _mm_andnot_si128(takeA, _mm_cmpeq_epi16(least, pb));
        const __m128i takeC = _mm_andnot_si128(_mm_or_si128(takeA, takeB), _mm_set1_epi16(-1));
        const __m128i guess = _mm_or_si128(_mm_or_si128(_mm_and_si128(takeA, a), _mm_and_si128(takeB, b)),
                                           _mm_and_si128(takeC, c));
        const __m128i value = _mm_add_epi8(_mm_packus_epi16(guess, zero), loadPixel<Bytes>(row + i));
        storePixel<Bytes>(row + i, value);
        a = _mm_unpacklo_epi8(value, zero);
        c = b;
    }
}
#endif

void sub(uint8_t* row, size_t n, int bpp) {
#if defined(__SSE2__)
    if (bpp == 4)
        return subPixels<4>(row, n);
    if (bpp == 3)
        return subPixels<3>(row, n);
#endif
    for (size_t i = size_t(bpp); i < n; ++i)
        row[i] = uint8_t(row[i] + row[i - size_t(bpp)]);
}

void average(uint8_t* row, const uint8_t* prior, size_t n, int bpp) {
#if defined(__SSE2__)
    if (bpp == 4)
        return averagePixels<4>(row, prior, n);
    if (bpp == 3)
        return averagePixels<3>(row, prior, n);
#endif
    const size_t b = size_t(bpp);
    for (size_t i = 0; i < b; ++i)
        row[i] = uint8_t(row[i] + (prior[i] >> 1));
    for (size_t i = b; i < n; ++i)
        row[i] = uint8_t(row[i] + ((row[i - b] + prior[i]) >> 1));
}

void paethRow(uint8_t* row, const uint8_t* prior, size_t n, int bpp) {
#if defined(__SSE2__)
    if (bpp == 4)
        return paethPixels<4>(row, prior, n);
    if (bpp == 3)
        return paethPixels<3>(row, prior, n);
#endif
    const size_t b = size_t(bpp);
    for (size_t i = 0; i < b; ++i)
        row[i] = uint8_t(row[i] + prior[i]);
    for (size_t i = b; i < n; ++i)
        row[i] = uint8_t(row[i] + paeth(row[i - b], prior[i], prior[i - b]));
}

// Memory for a whole picture's data, in huge pages where the system gives them: a fault for every
// 4 KiB page of some 50 MB costs more than the copies.
uint8_t* allocate(size_t size) {
    constexpr size_t Huge = size_t(2) << 20;
    const size_t rounded = (size + Huge - 1) / Huge * Huge;
    void* p = std::aligned_alloc(Huge, rounded);
    if (p)
        ::madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(p);
}

std::atomic<size_t>& heldTogether() {
    static std::atomic<size_t> held{0};
    return held;
}

} // namespace

std::optional<Share> Share::take(size_t bytes) {
    std::atomic<size_t>& held = heldTogether();
    size_t now = held.load();
    do {
        if (now != 0 && now + bytes > SharedCap)
            return std::nullopt;
    } while (!held.compare_exchange_weak(now, now + bytes));
    return Share(bytes);
}

Share::~Share() {
    if (bytes_ != 0)
        heldTogether() -= bytes_;
}

void Data::Free::operator()(uint8_t* p) const {
    std::free(p);
}

std::optional<Data> inflate(QIODevice& file, size_t rowBytes, int rows) {
    const size_t inflated = (rowBytes + 1) * size_t(rows);
    if (rows <= 0 || rowBytes == 0 || inflated > InflatedCap)
        return std::nullopt;
    // Room for stored blocks and a little more; pages never written take no memory.
    const size_t capacity = inflated + inflated / 8 + 65536;
    // The data is no more than the rest of the file.
    const size_t rest = size_t(std::max<qint64>(0, file.size() - file.pos()));
    std::optional<Share> share = Share::take(inflated + std::min(capacity, rest));
    if (!share)
        return std::nullopt;
    Data data{std::move(*share), nullptr};
    data.rowBytes = rowBytes;
    data.rows = rows;
    std::unique_ptr<uint8_t[], Data::Free> in(allocate(capacity));
    data.bytes.reset(allocate(inflated));
    if (!in || !data.bytes)
        return std::nullopt;
    const std::optional<size_t> size = gather(file, in.get(), capacity);
    if (!size || *size < 2)
        return std::nullopt;
    const size_t window = size_t(1) << ((in[0] >> 4) + 8);
    if ((in[0] >> 4) > 7 || (window < LongestDistance && window < inflated))
        return std::nullopt;
    Decompressor decompressor;
    size_t used = 0;
    if (!decompressor.d ||
        libdeflate_zlib_decompress_ex(decompressor.d, in.get(), *size, data.bytes.get(), inflated, &used,
                                      nullptr) != LIBDEFLATE_SUCCESS ||
        used != *size)
        return std::nullopt;
    return data;
}

bool filtersKnown(const Data& data, int last) {
    for (int y = 0; y <= last; ++y)
        if (data.row(y)[0] > 4)
            return false;
    return true;
}

void unfilter(const Data& data, int y, int pixelBytes) {
    uint8_t* const row = data.row(y) + 1;
    const size_t n = data.rowBytes;
    const uint8_t filter = row[-1];
    // The first row's filters see a row of zeros above.
    if (y == 0) {
        if (filter == 1 || filter == 4)
            sub(row, n, pixelBytes);
        else if (filter == 3)
            for (size_t i = size_t(pixelBytes); i < n; ++i)
                row[i] = uint8_t(row[i] + (row[i - size_t(pixelBytes)] >> 1));
        return;
    }
    const uint8_t* const prior = data.row(y - 1) + 1;
    switch (filter) {
    case 1:
        sub(row, n, pixelBytes);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        break;
    case 3:
        average(row, prior, n, pixelBytes);
        break;
    case 4:
        paethRow(row, prior, n, pixelBytes);
        break;
    default:
        break;
    }
}

} // namespace png_whole
