#pragma once

#include <QIODevice>
#include <QRgb>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

// A PNG's picture data taken in one piece: its data chunks gathered, inflated in one call (libdeflate
// is two to three times as fast as zlib's streaming inflate, but only given all of it at once), and
// its rows unfiltered. Only for pictures whose data is small enough to hold whole; anything that is
// not as honest encoders write it is refused, for the streaming reader to take as it does.
namespace png_whole {

// The most inflated data held at once: a phone picture of 16 megapixels with alpha fits.
constexpr size_t InflatedCap = size_t(64) << 20;

// What the pictures read whole at the same moment hold together, their compressed bytes included.
// The preloader reads two pictures side by side: of two phone pictures (some 56 MB each), one is
// read whole while the other streams, rather than both holding theirs. One picture alone is always
// read whole, up to the cap above.
constexpr size_t SharedCap = size_t(96) << 20;

// A share of that, given back when it is let go.
class Share {
public:
    static std::optional<Share> take(size_t bytes);
    Share(Share&& other) noexcept : bytes_(std::exchange(other.bytes_, 0)) {}
    Share& operator=(Share&& other) noexcept {
        std::swap(bytes_, other.bytes_);
        return *this;
    }
    ~Share();

private:
    explicit Share(size_t bytes) : bytes_(bytes) {}
    size_t bytes_ = 0;
};

// The picture's inflated data: one filter byte and `rowBytes` bytes a row.
struct Data {
    Share share;
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t[], Free> bytes;
    size_t rowBytes = 0;
    int rows = 0;
    uint8_t* row(int y) const { return bytes.get() + size_t(y) * (rowBytes + 1); }
};

// Reads the data chunks from the one whose length and type end at the file's position through the
// last of them, checks each one's CRC and inflates their contents: exactly `rows` rows of `rowBytes`,
// the stream ending with the data. Nothing when anything is amiss or memory is refused.
std::optional<Data> inflate(QIODevice& file, size_t rowBytes, int rows);

// Whether every row up to `last` names a filter there is.
bool filtersKnown(const Data& data, int last);

// Undoes row `y`'s filter in place, row `y - 1` being done already; `pixelBytes` from 1 to 4.
void unfilter(const Data& data, int y, int pixelBytes);

} // namespace png_whole
