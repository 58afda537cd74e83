#include "platform/ConnectionLoss.h"

#include "platform/TemporaryShows.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <dlfcn.h>
#include <unistd.h>

namespace connection_loss {

namespace {

using HasErrorFn = int (*)(void* connection);

// Whether the application is still there (exit() called from inside it rather than after main) and
// its X connection has failed. libxcb is asked only when the xcb plugin has loaded it already.
bool connectionBroken() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!xcb)
        return false;
    const auto hasError = reinterpret_cast<HasErrorFn>(::dlsym(xcb, "xcb_connection_has_error"));
    const bool broken = hasError && hasError(x11->connection()) != 0;
    ::dlclose(xcb);
    return broken;
}

} // namespace

void endAsEscapeWhenConnectionBreaks() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit([] {
            temporary_shows::removeOurs();
            if (!connectionBroken())
                return;
            // The rest of the exit would only tear down a window system that is gone.
            std::fflush(nullptr);
            ::_exit(0);
        });
    });
}

} // namespace connection_loss
