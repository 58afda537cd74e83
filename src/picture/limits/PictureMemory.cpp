#include "picture/limits/PictureMemory.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace picture_memory {

namespace {

// Below this a picture comes from the heap, which hands it back at once anyway.
constexpr std::size_t Smallest = std::size_t(1) << 20;
// A huge page, and the unit blocks are sized in, so that a block is made of whole huge pages.
constexpr std::size_t Huge = std::size_t(2) << 20;
// What is kept for reuse: a screen-sized picture of a 4K screen, or a few of a 1080p one. Kept
// blocks are ones the show let go of; they count towards the program's memory only until the next
// pictures take them.
constexpr std::size_t Limit = std::size_t(48) << 20;
// A kept block serves a picture that needs at least this share of it, so that a small picture
// does not tie up a large block.
constexpr std::size_t WasteDivisor = 4; // at most a quarter (and one huge page) left unused

struct Block {
    void* start = nullptr;
    std::size_t bytes = 0;
};

struct Pool {
    std::mutex mutex;
    std::vector<Block> kept; // oldest first
    std::size_t keptBytes = 0;
};

Pool& pool() {
    static Pool* p = new Pool; // never destroyed: a picture may be let go during the program's exit
    return *p;
}

std::size_t roundUp(std::size_t bytes) {
    return (bytes + Huge - 1) / Huge * Huge;
}

// A fresh block aligned to a huge page, so that the system can back it with huge pages.
Block mapBlock(std::size_t bytes) {
    void* raw = ::mmap(nullptr, bytes + Huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return {};
    const auto address = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (address + Huge - 1) / Huge * Huge;
    if (aligned > address)
        ::munmap(raw, aligned - address);
    const std::uintptr_t end = aligned + bytes;
    const std::uintptr_t rawEnd = address + bytes + Huge;
    if (rawEnd > end)
        ::munmap(reinterpret_cast<void*>(end), rawEnd - end);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
    return {reinterpret_cast<void*>(aligned), bytes};
}

Block takeBlock(std::size_t bytes) {
    Pool& p = pool();
    {
        std::lock_guard lock(p.mutex);
        auto best = p.kept.end();
        for (auto it = p.kept.begin(); it != p.kept.end(); ++it) {
            if (it->bytes >= bytes && it->bytes <= bytes + bytes / WasteDivisor + Huge &&
                (best == p.kept.end() || it->bytes <= best->bytes)) // the newest of a size: still warm
                best = it;
        }
        if (best != p.kept.end()) {
            const Block b = *best;
            p.kept.erase(best);
            p.keptBytes -= b.bytes;
            return b;
        }
    }
    return mapBlock(roundUp(bytes));
}

void giveBack(void* info) {
    Block* b = static_cast<Block*>(info);
    const Block block = *b;
    delete b;
    std::vector<Block> dropped;
    Pool& p = pool();
    {
        std::lock_guard lock(p.mutex);
        if (block.bytes <= Limit) {
            // The oldest kept blocks make room: the newest are the sizes the show uses now.
            while (p.keptBytes + block.bytes > Limit && !p.kept.empty()) {
                dropped.push_back(p.kept.front());
                p.keptBytes -= p.kept.front().bytes;
                p.kept.erase(p.kept.begin());
            }
            p.kept.push_back(block);
            p.keptBytes += block.bytes;
        } else {
            dropped.push_back(block);
        }
    }
    for (const Block& d : dropped)
        ::munmap(d.start, d.bytes);
}

} // namespace

QImage image(QSize size, QImage::Format format) {
    if (size.isEmpty())
        return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 perLine = (qint64(size.width()) * depth + 31) / 32 * 4;
    const qint64 total = perLine * size.height();
    if (perLine > std::numeric_limits<int>::max() || total <= 0)
        return QImage();
    if (std::size_t(total) < Smallest)
        return QImage(size, format);
    const Block block = takeBlock(std::size_t(total));
    if (!block.start)
        return QImage();
    QImage result(static_cast<uchar*>(block.start), size.width(), size.height(), qsizetype(perLine), format,
                  giveBack, new Block(block));
    return result;
}

std::size_t keptBytes() {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    return p.keptBytes;
}

std::size_t keptLimit() {
    return Limit;
}

} // namespace picture_memory
