#pragma once

#include <system_error>
#include <thread>
#include <utility>

// Frees a large container on a short-lived thread of its own. A stopped walk may hold a million
// names, which glibc takes up to a quarter of a second to free (merging its small free blocks): the
// stop should not wait for that. Small ones are freed at once; so is everything when no thread can
// be started.
template <class Container> void freeAside(Container&& heavy) {
    constexpr auto Large = 65536;
    if (heavy.size() >= Large) {
        try {
            std::thread([held = std::move(heavy)]() mutable { held = Container(); }).detach();
            return;
        } catch (const std::system_error&) {
        }
    }
    heavy = Container();
}
