#include "picture/readers/HeifBoxes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace heif_boxes {

namespace {

// The most of the file read for its 'meta' box: its properties and item tables take kilobytes,
// a phone's grid of tiles some tens.
constexpr qint64 MaxMeta = qint64(4) << 20;

struct Span {
    const uint8_t* data = nullptr;
    qint64 size = 0;
};

uint32_t be(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

// The boxes inside `span`, one by one.
class Boxes {
public:
    explicit Boxes(Span span) : span_(span) {}
    // The next box's type and contents; false at the end or at a box that does not fit.
    bool next(uint32_t& type, Span& contents) {
        if (at_ + 8 > span_.size)
            return false;
        const uint8_t* p = span_.data + at_;
        qint64 size = be(p, 4);
        type = be(p + 4, 4);
        qint64 header = 8;
        if (size == 1) {
            if (at_ + 16 > span_.size)
                return false;
            size = qint64(uint64_t(be(p + 8, 4)) << 32 | be(p + 12, 4));
            header = 16;
        } else if (size == 0) {
            size = span_.size - at_;
        }
        if (size < header || size > span_.size - at_)
            return false;
        contents = {p + header, size - header};
        at_ += size;
        return true;
    }

private:
    Span span_;
    qint64 at_ = 0;
};

constexpr uint32_t fourcc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
           uint8_t(s[3]);
}

// An HEVC NAL unit's payload without its emulation prevention bytes, read bit by bit.
class Bits {
public:
    Bits(const uint8_t* p, qint64 size) {
        int zeros = 0;
        for (qint64 i = 0; i < size; ++i) {
            if (zeros >= 2 && p[i] == 3) {
                zeros = 0;
                continue;
            }
            zeros = p[i] == 0 ? zeros + 1 : 0;
            bytes_.push_back(p[i]);
        }
    }
    bool failed() const { return failed_; }
    uint32_t u(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (bit_ >= qint64(bytes_.size()) * 8) {
                failed_ = true;
                return 0;
            }
            v = v << 1 | ((bytes_[size_t(bit_ >> 3)] >> (7 - (bit_ & 7))) & 1u);
            ++bit_;
        }
        return v;
    }
    uint32_t ue() {
        int zeros = 0;
        while (!failed_ && u(1) == 0)
            if (++zeros > 31) {
                failed_ = true;
                return 0;
            }
        return zeros == 0 ? 0 : (1u << zeros) - 1 + u(zeros);
    }
    void skip(int n) {
        while (n-- > 0)
            u(1);
    }

private:
    std::vector<uint8_t> bytes_;
    qint64 bit_ = 0;
    bool failed_ = false;
};

void profileTierLevel(Bits& b, int subLayers) {
    b.skip(88);
    b.skip(8); // general_level_idc
    std::array<bool, 8> profile{}, level{};
    for (int i = 0; i < subLayers; ++i) {
        profile[size_t(i)] = b.u(1);
        level[size_t(i)] = b.u(1);
    }
    if (subLayers > 0)
        for (int i = subLayers; i < 8; ++i)
            b.skip(2);
    for (int i = 0; i < subLayers; ++i) {
        if (profile[size_t(i)])
            b.skip(88);
        if (level[size_t(i)])
            b.skip(8);
    }
}

// Passes over the short-term reference picture sets of a sequence parameter set; false where they
// are more than a picture's header may hold.
bool skipShortTermSets(Bits& b) {
    const uint32_t sets = b.ue();
    if (sets > 64)
        return false;
    std::vector<uint32_t> deltas(sets, 0);
    for (uint32_t i = 0; i < sets && !b.failed(); ++i) {
        bool predicted = i != 0 && b.u(1);
        if (predicted) {
            // Only within the sets of the SPS, so the reference is the one before.
            b.skip(1);
            b.ue();
            uint32_t count = 0;
            for (uint32_t j = 0; j <= deltas[i - 1]; ++j) {
                const bool used = b.u(1);
                if (used || b.u(1))
                    ++count;
            }
            deltas[i] = count;
        } else {
            const uint32_t negative = b.ue(), positive = b.ue();
            if (negative > 16 || positive > 16)
                return false;
            for (uint32_t j = 0; j < negative + positive; ++j) {
                b.ue();
                b.skip(1);
            }
            deltas[i] = negative + positive;
        }
    }
    return true;
}

// The colour description of an HEVC sequence parameter set's video usability information (H.265
// 7.3.2.2 and E.2.1), read up to it.
std::optional<Primary::Colour> colourOf(const uint8_t* nal, qint64 size) {
    if (size < 3)
        return std::nullopt;
    Bits b(nal + 2, size - 2); // past the NAL unit header
    b.skip(4);
    const int subLayers = int(b.u(3));
    b.skip(1);
    profileTierLevel(b, subLayers);
    b.ue(); // sps_seq_parameter_set_id
    if (b.ue() == 3)
        b.skip(1);
    b.ue();
    b.ue();
    if (b.u(1))
        for (int i = 0; i < 4; ++i)
            b.ue();
    b.ue();
    b.ue();
    const uint32_t pocBits = b.ue() + 4;
    const bool ordering = b.u(1);
    for (int i = ordering ? 0 : subLayers; i <= subLayers; ++i)
        for (int k = 0; k < 3; ++k)
            b.ue();
    for (int k = 0; k < 6; ++k)
        b.ue();
    if (b.u(1) && b.u(1)) // scaling lists given: not read here
        return std::nullopt;
    b.skip(2);
    if (b.u(1)) { // PCM
        b.skip(8);
        b.ue();
        b.ue();
        b.skip(1);
    }
    if (!skipShortTermSets(b))
        return std::nullopt;
    if (b.u(1)) { // long-term reference pictures
        const uint32_t count = b.ue();
        if (count > 32)
            return std::nullopt;
        for (uint32_t i = 0; i < count; ++i) {
            b.skip(int(pocBits));
            b.skip(1);
        }
    }
    b.skip(2);
    if (!b.u(1) || b.failed()) // no VUI
        return std::nullopt;
    if (b.u(1) && b.u(8) == 255)
        b.skip(32);
    if (b.u(1))
        b.skip(1);
    if (!b.u(1)) // video_signal_type_present_flag
        return std::nullopt;
    b.skip(4);
    if (!b.u(1))
        return std::nullopt;
    Primary::Colour c;
    c.primaries = int(b.u(8));
    c.transfer = int(b.u(8));
    c.matrix = int(b.u(8));
    if (b.failed())
        return std::nullopt;
    return c;
}

// The colour of an 'hvcC' box's first sequence parameter set.
std::optional<Primary::Colour> colourOfConfiguration(Span hvcc) {
    if (hvcc.size < 23)
        return std::nullopt;
    const uint8_t* p = hvcc.data + 22;
    const uint8_t* end = hvcc.data + hvcc.size;
    const int arrays = *p++;
    for (int a = 0; a < arrays; ++a) {
        if (end - p < 3)
            return std::nullopt;
        const int type = p[0] & 0x3f;
        const int count = int(be(p + 1, 2));
        p += 3;
        for (int n = 0; n < count; ++n) {
            if (end - p < 2)
                return std::nullopt;
            const qint64 length = be(p, 2);
            p += 2;
            if (end - p < length)
                return std::nullopt;
            if (type == 33)
                return colourOf(p, length);
            p += length;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<colour_profile::CodePoints> codePointsOf(const Primary::Colour& colour) {
    struct Known {
        int code;
        double r[2], g[2], b[2], w[2];
    };
    constexpr double D65[2] = {0.3127, 0.3290};
    // H.273's table 2.
    static const Known known[] = {
        {1, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {D65[0], D65[1]}},
        {4, {0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}, {0.310, 0.316}},
        {5, {0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}, {D65[0], D65[1]}},
        {6, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}, {D65[0], D65[1]}},
        {7, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}, {D65[0], D65[1]}},
        {9, {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}, {D65[0], D65[1]}},
        {11, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {0.314, 0.351}},
        {12, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {D65[0], D65[1]}},
        {22, {0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}, {D65[0], D65[1]}},
    };
    for (const Known& k : known)
        if (k.code == colour.primaries) {
            colour_profile::CodePoints points;
            for (int i = 0; i < 2; ++i) {
                points.red[i] = k.r[i];
                points.green[i] = k.g[i];
                points.blue[i] = k.b[i];
                points.white[i] = k.w[i];
            }
            points.transfer = colour.transfer;
            return points;
        }
    return std::nullopt;
}

int orientationOf(const Step* steps, int count) {
    // Each step as a matrix on (x, y) with y down: a = {xx, xy, yx, yy}.
    using M = std::array<int, 4>;
    const auto times = [](const M& a, const M& b) { // a after b
        return M{a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
                 a[2] * b[1] + a[3] * b[3]};
    };
    const M clockwise{0, -1, 1, 0}, flipH{-1, 0, 0, 1}, flipV{1, 0, 0, -1}, none{1, 0, 0, 1};
    M total = none;
    for (int i = 0; i < count; ++i) {
        if (steps[i].mirror) {
            total = times(steps[i].value & 1 ? flipH : flipV, total);
        } else {
            // Anticlockwise quarter turns: three clockwise ones each.
            for (int q = 0; q < (4 - (steps[i].value & 3)) % 4; ++q)
                total = times(clockwise, total);
        }
    }
    // What turns a stored picture upright for each EXIF orientation.
    const M rot180 = times(clockwise, clockwise);
    const M exif[8] = {none,
                       flipH,
                       rot180,
                       flipV,
                       times(flipH, clockwise),
                       clockwise,
                       times(flipV, clockwise),
                       times(rot180, clockwise)};
    for (int o = 0; o < 8; ++o)
        if (exif[o] == total)
            return o + 1;
    return 1;
}

namespace {

// The contents of the 'meta' box; the boxes before it ('ftyp') are passed over by their sizes. Empty
// when there is none, or it is damaged.
QByteArray metaOf(QIODevice& file) {
    if (!file.seek(0))
        return {};
    for (int box = 0; box < 16; ++box) {
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            return {};
        const auto* h = reinterpret_cast<const uint8_t*>(header.constData());
        qint64 size = be(h, 4);
        qint64 headerSize = 8;
        if (size == 1 && header.size() == 16) {
            size = qint64(uint64_t(be(h + 8, 4)) << 32 | be(h + 12, 4));
            headerSize = 16;
        }
        const qint64 start = file.pos() - header.size();
        if (size < headerSize || size > file.size() - start)
            return {};
        if (be(h + 4, 4) == fourcc("meta")) {
            if (size > MaxMeta || !file.seek(start + headerSize))
                return {};
            QByteArray meta = file.read(size - headerSize);
            if (meta.size() != size - headerSize)
                return {};
            // An empty one is passed over as the others are: the file is already past it.
            if (!meta.isEmpty())
                return meta;
        } else if (!file.seek(start + size)) {
            return {};
        }
    }
    return {};
}

// What of 'meta' tells the primary item's properties.
struct MetaBoxes {
    Span ipco, ipma, iref;
    uint32_t primaryId = 0;
    bool hasPrimary = false;
};

MetaBoxes boxesOf(const QByteArray& meta) {
    MetaBoxes found;
    // A full box: version and flags first.
    Boxes inMeta({reinterpret_cast<const uint8_t*>(meta.constData()) + 4, meta.size() - 4});
    uint32_t type = 0;
    Span contents;
    while (inMeta.next(type, contents)) {
        if (type == fourcc("pitm") && contents.size >= 6) {
            found.primaryId = contents.data[0] == 0 ? be(contents.data + 4, 2)
                              : contents.size >= 8  ? be(contents.data + 4, 4)
                                                    : 0;
            found.hasPrimary = true;
        } else if (type == fourcc("iprp")) {
            Boxes inIprp(contents);
            Span c;
            uint32_t t = 0;
            while (inIprp.next(t, c))
                if (t == fourcc("ipco"))
                    found.ipco = c;
                else if (t == fourcc("ipma") && !found.ipma.data)
                    found.ipma = c;
        } else if (type == fourcc("iref")) {
            found.iref = contents;
        }
    }
    return found;
}

// The properties (indices into 'ipco', of which there are `count`) of `item`, in the order the file
// gives them.
std::vector<int> propertiesOf(Span ipma, size_t count, uint32_t item) {
    std::vector<int> found;
    const int version = ipma.data[0];
    const bool wide = ipma.data[3] & 1;
    const uint8_t* p = ipma.data + 4;
    const uint8_t* end = ipma.data + ipma.size;
    const uint32_t entries = be(p, 4);
    p += 4;
    for (uint32_t e = 0; e < entries; ++e) {
        const int idBytes = version < 1 ? 2 : 4;
        if (end - p < idBytes + 1)
            break;
        const uint32_t id = be(p, idBytes);
        p += idBytes;
        const int n = *p++;
        const int each = wide ? 2 : 1;
        if (end - p < qint64(n) * each)
            break;
        for (int i = 0; i < n; ++i, p += each) {
            const uint32_t index = wide ? be(p, 2) & 0x7fff : uint32_t(*p & 0x7f);
            if (id == item && index > 0 && index <= count)
                found.push_back(int(index) - 1);
        }
    }
    return found;
}

} // namespace

std::optional<Primary> read(QIODevice& file) {
    const QByteArray meta = metaOf(file);
    if (meta.size() < 4)
        return std::nullopt;
    const MetaBoxes boxes = boxesOf(meta);
    const Span ipma = boxes.ipma, iref = boxes.iref;
    const uint32_t primaryId = boxes.primaryId;
    if (!boxes.hasPrimary || !boxes.ipco.data || !ipma.data || ipma.size < 8)
        return std::nullopt;
    std::vector<Span> properties;
    std::vector<uint32_t> kinds;
    {
        Boxes inIpco(boxes.ipco);
        Span c;
        uint32_t t = 0;
        while (inIpco.next(t, c)) {
            properties.push_back(c);
            kinds.push_back(t);
        }
    }
    Primary primary;
    std::vector<Step> steps;
    std::optional<Span> hvcc;
    for (const int i : propertiesOf(ipma, properties.size(), primaryId)) {
        const uint32_t kind = kinds[size_t(i)];
        const Span& c = properties[size_t(i)];
        if (kind == fourcc("irot") && c.size >= 1)
            steps.push_back({false, c.data[0] & 3});
        else if (kind == fourcc("imir") && c.size >= 1)
            steps.push_back({true, c.data[0] & 1});
        else if (kind == fourcc("clap"))
            primary.cropped = true;
        else if (kind == fourcc("hvcC"))
            hvcc = c;
    }
    primary.orientation = orientationOf(steps.data(), int(steps.size()));
    // A grid's tiles carry the configuration: the first one's.
    if (!hvcc && iref.data && iref.size > 4) {
        const int idBytes = iref.data[0] == 0 ? 2 : 4;
        Boxes inIref({iref.data + 4, iref.size - 4});
        Span c;
        uint32_t t = 0;
        while (!hvcc && inIref.next(t, c)) {
            if (t != fourcc("dimg") || c.size < idBytes * 2 + 2 || be(c.data, idBytes) != primaryId)
                continue;
            const uint32_t tile = be(c.data + idBytes + 2, idBytes);
            for (const int i : propertiesOf(ipma, properties.size(), tile))
                if (kinds[size_t(i)] == fourcc("hvcC"))
                    hvcc = properties[size_t(i)];
        }
    }
    primary.hevc = hvcc.has_value();
    if (hvcc)
        primary.colour = colourOfConfiguration(*hvcc);
    return primary;
}

} // namespace heif_boxes
