#include "platform/WindowMemory.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <thread>

#include <sys/mman.h>
#include <unistd.h>

namespace window_memory {

namespace {

// The window systems whose backing store is one image, made by resize() and kept until the next
// one. Elsewhere the paint device may not exist before a paint begins: Wayland's store hands out a
// pointer into a buffer it has not made yet, so even asking that device its type would crash.
bool storeIsOneImage() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
}

} // namespace

void prepare(QWidget& window) {
    QBackingStore* store = window.backingStore();
    if (!store || !window.windowHandle() || !storeIsOneImage())
        return;
    // The repaint that follows asks for the same size, and the store keeps what it has.
    store->resize(window.size());
    QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto* image = static_cast<const QImage*>(device);
    if (image->isNull())
        return;
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto first = quintptr(image->constBits()) & ~(page - 1);
    const auto end = quintptr(image->constBits()) + quintptr(image->sizeInBytes());
    // Only the addresses go to the worker: asking the kernel to provide pages never changes what
    // they hold, so a buffer painted into or released meanwhile comes to no harm. In steps of a
    // megabyte, so that the address space is never held long against the main thread.
    std::thread([first, end] {
        constexpr quintptr Step = 1 << 20;
        for (quintptr at = first; at < end; at += Step)
            if (madvise(reinterpret_cast<void*>(at), std::min(Step, end - at), MADV_POPULATE_WRITE) != 0)
                return; // a kernel before 5.14, or the buffer is gone
    }).detach();
}

} // namespace window_memory
