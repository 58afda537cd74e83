#include "picture/DecodeLimit.h"

DecodeLimit::DecodeLimit(const std::atomic<bool>* cancelled)
    : cancelled_(cancelled), start_(std::chrono::steady_clock::now()), deadline_(start_ + Base) {}

void DecodeLimit::allowFor(qint64 pixels) {
    const auto extra =
        std::chrono::duration<double, std::milli>(double(qMax<qint64>(pixels, 0)) / 1e6 * MsPerMegapixel);
    deadline_ = start_ + Base + std::chrono::duration_cast<std::chrono::steady_clock::duration>(extra);
}

bool DecodeLimit::over() const {
    if (cancelled_ && cancelled_->load(std::memory_order_relaxed))
        return true;
    return std::chrono::steady_clock::now() > deadline_;
}
