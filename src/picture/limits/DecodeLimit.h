#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <ctime>

// Bounds the work of one decode, as the memory caps bound its memory: it is given up once whoever
// asked for it stops wanting it, or once it has done far more work than the picture's size warrants
// (data that makes a decoder go over the same pixels again and again: scan floods, huge screens
// filled). The work is the processor time of the thread that made the limit, which decodes: time
// the thread spends waiting (for the disk, for a processor other programs keep busy) is not work,
// so that an honest picture is never given up because the machine is busy. Checked as rows come.
class DecodeLimit {
public:
    // A limit on the work of the calling thread, which must be the one that decodes: `base` before
    // the picture's size is known (tests give less).
    explicit DecodeLimit(const std::atomic<bool>* cancelled = nullptr,
                         std::chrono::nanoseconds base = std::chrono::nanoseconds(Base));

    // The picture turned out to have `pixels`: it may do that much more work from the start.
    void allowFor(qint64 pixels);
    // Whether to give up now. May be asked from any thread.
    bool over() const;

    // The work the decode has done so far, and the most it may do.
    std::chrono::nanoseconds work() const;
    std::chrono::nanoseconds allowed() const { return allowed_; }

    // Generous against the slowest honest picture seen: a second of the processor, and a tenth of one
    // per megapixel. A build for ThreadSanitizer runs every access of our own code through it, some ten
    // times slower: an honest picture must not look like a flood there.
#if defined(__SANITIZE_THREAD__)
    static constexpr int Slowdown = 10;
#else
    static constexpr int Slowdown = 1;
#endif
    static constexpr std::chrono::milliseconds Base{1000 * Slowdown};
    static constexpr double MsPerMegapixel = 100 * Slowdown;

private:
    const std::atomic<bool>* cancelled_;
    clockid_t clock_;
    std::chrono::nanoseconds start_{0};
    std::chrono::nanoseconds base_;
    std::chrono::nanoseconds allowed_;
};
