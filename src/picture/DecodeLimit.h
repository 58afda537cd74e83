#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>

// Bounds the work of one decode, as the memory caps bound its memory: it is given up once whoever
// asked for it stops wanting it, or once it has run far longer than the picture's size warrants
// (data that makes a decoder go over the same pixels again and again). Checked as rows come.
class DecodeLimit {
public:
    explicit DecodeLimit(const std::atomic<bool>* cancelled = nullptr);

    // The picture turned out to have `pixels`: it may take its time from the start of the decode.
    void allowFor(qint64 pixels);
    // Whether to give up now.
    bool over() const;

    // Generous against the slowest honest picture seen: a second, and a tenth of one per megapixel.
    // A build for ThreadSanitizer runs every access of our own code through it, some ten times
    // slower: an honest picture must not look like a flood there.
#if defined(__SANITIZE_THREAD__)
    static constexpr int Slowdown = 10;
#else
    static constexpr int Slowdown = 1;
#endif
    static constexpr std::chrono::milliseconds Base{1000 * Slowdown};
    static constexpr double MsPerMegapixel = 100 * Slowdown;

private:
    const std::atomic<bool>* cancelled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point deadline_;
};
