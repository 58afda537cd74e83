#include "platform/SharedProcessors.h"

#include <atomic>
#include <cstring>

#include <sched.h>

namespace {

// Decodes of this kind under way in the process.
std::atomic<int>& underWay() {
    static std::atomic<int> count{0};
    return count;
}

} // namespace

static_assert(sizeof(cpu_set_t) <= 128, "a processor set fits the room kept for it");

SharedProcessors::SharedProcessors() {
    const bool alone = underWay().fetch_add(1) == 0;
    if (alone)
        return;
    cpu_set_t before;
    CPU_ZERO(&before);
    const int cpu = sched_getcpu();
    if (cpu < 0 || sched_getaffinity(0, sizeof before, &before) != 0 || !CPU_ISSET(cpu, &before) ||
        CPU_COUNT(&before) < 2)
        return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0)
        return;
    std::memcpy(before_, &before, sizeof before);
    held_ = true;
}

SharedProcessors::~SharedProcessors() {
    if (held_) {
        cpu_set_t before;
        std::memcpy(&before, before_, sizeof before);
        sched_setaffinity(0, sizeof before, &before);
    }
    underWay().fetch_sub(1);
}
