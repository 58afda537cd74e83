#include "picture/limits/DecodeLimit.h"

#include <pthread.h>

namespace {

std::chrono::nanoseconds timeOf(clockid_t clock) {
    timespec now{};
    if (::clock_gettime(clock, &now) != 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

DecodeLimit::DecodeLimit(const std::atomic<bool>* cancelled, std::chrono::nanoseconds base)
    : cancelled_(cancelled), base_(base), allowed_(base) {
    // The thread's own clock by its id, so that the limit can be asked from another thread (a
    // library's callback) and still counts the decoding thread's work.
    if (::pthread_getcpuclockid(::pthread_self(), &clock_) != 0)
        clock_ = CLOCK_THREAD_CPUTIME_ID;
    start_ = timeOf(clock_);
}

void DecodeLimit::allowFor(qint64 pixels) {
    const auto extra =
        std::chrono::duration<double, std::milli>(double(qMax<qint64>(pixels, 0)) / 1e6 * MsPerMegapixel);
    allowed_ = base_ + std::chrono::duration_cast<std::chrono::nanoseconds>(extra);
}

std::chrono::nanoseconds DecodeLimit::work() const {
    return timeOf(clock_) - start_;
}

bool DecodeLimit::over() const {
    if (cancelled_ && cancelled_->load(std::memory_order_relaxed))
        return true;
    return work() > allowed_;
}
