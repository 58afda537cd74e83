#include "platform/MusicFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace music_format {

namespace {

// A WAV with more chunks than this is no tune: the mixer would walk each of them.
constexpr int MaxWavChunks = 1024;
// How far past its tags an MP3 may start its first frame.
constexpr long long MaxMp3Padding = 64 * 1024;

struct File {
    int fd;
    long long size;

    bool read(long long at, void* into, size_t bytes) const {
        return at >= 0 && at + (long long)bytes <= size && ::pread(fd, into, bytes, at) == ssize_t(bytes);
    }
};

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool isWav(const File& f) {
    bool format = false;
    long long at = 12;
    for (int chunks = 0; chunks < MaxWavChunks && at + 8 <= f.size; ++chunks) {
        unsigned char header[8];
        if (!f.read(at, header, 8))
            return false;
        const long long length = le32(header + 4);
        if (std::memcmp(header, "data", 4) == 0) {
            // The samples are streamed; what follows them is read only if the file holds it.
            if (!format)
                return false;
            at += 8 + length + (length & 1);
            if (at >= f.size)
                return true;
            continue;
        }
        if (length > MaxWavChunkBytes)
            return false;
        format = format || std::memcmp(header, "fmt ", 4) == 0;
        at += 8 + length + (length & 1);
    }
    return false;
}

// An MPEG audio frame header: the sync bits, a layer, a bitrate and a sample rate that exist.
bool isFrame(const unsigned char* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && (p[1] & 0x06) != 0 && (p[2] & 0xF0) != 0xF0 &&
           (p[2] & 0x0C) != 0x0C;
}

bool isMp3(const File& f, const unsigned char* magic) {
    long long at = 0;
    // ID3v2 tags, one after another, each with a syncsafe length.
    unsigned char tag[10];
    std::memcpy(tag, magic, 10);
    while (std::memcmp(tag, "ID3", 3) == 0) {
        if ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80)
            return false;
        const long long length =
            (tag[6] << 21 | tag[7] << 14 | tag[8] << 7 | tag[9]) + 10 + (tag[5] & 0x10 ? 10 : 0);
        if (length > MaxMp3TagBytes)
            return false;
        at += length;
        if (!f.read(at, tag, 10))
            return false;
    }
    unsigned char window[4096];
    for (long long start = at; start < at + MaxMp3Padding; start += sizeof window - 3) {
        const size_t n = size_t(std::min<long long>(sizeof window, f.size - start));
        if (n < 4 || !f.read(start, window, n))
            return false;
        for (size_t i = 0; i + 4 <= n; ++i) {
            if (isFrame(window + i))
                return true;
        }
    }
    return false;
}

} // namespace

Kind sniff(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Kind::Unknown;
    const File f{fd, (long long)st.st_size};
    unsigned char magic[12] = {};
    if (!f.read(0, magic, sizeof magic))
        return Kind::Unknown;
    const bool riff = std::memcmp(magic, "RIFF", 4) == 0;
    if (std::memcmp(magic, "MThd", 4) == 0 || (riff && std::memcmp(magic + 8, "RMID", 4) == 0))
        return f.size <= MaxMidiBytes ? Kind::Midi : Kind::Unknown;
    if (riff && std::memcmp(magic + 8, "WAVE", 4) == 0)
        return isWav(f) ? Kind::Wav : Kind::Unknown;
    return isMp3(f, magic) ? Kind::Mp3 : Kind::Unknown;
}

} // namespace music_format
