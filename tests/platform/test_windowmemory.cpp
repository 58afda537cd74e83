#include "platform/WindowMemory.h"

#include <QBackingStore>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <vector>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Pages of the window's pixel memory that are in place, out of all its pages.
std::pair<std::size_t, std::size_t> residentPages(QWidget& window) {
    QPaintDevice* device = window.backingStore()->paintDevice();
    if (device->devType() != QInternal::Image)
        return {0, 0};
    const auto* image = static_cast<const QImage*>(device);
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto first = quintptr(image->constBits()) & ~(page - 1);
    const auto end = quintptr(image->constBits()) + quintptr(image->sizeInBytes());
    std::vector<unsigned char> in((end - first + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(first), end - first, in.data()) != 0)
        return {0, in.size()};
    std::size_t n = 0;
    for (unsigned char c : in)
        n += c & 1;
    return {n, in.size()};
}

} // namespace

class WindowMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // As the program does: a picture-sized buffer comes fresh from the system, not from a heap.
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
    }

    void aFullScreenWindowHasItsPixelsInPlaceBeforeItIsShown() {
        QWidget window;
        window.resize(1920, 1080);
        window.winId();
        window_memory::prepare(window);
        QCOMPARE(window.backingStore()->size(), QSize(1920, 1080));
        const std::size_t pages = residentPages(window).second;
        QVERIFY(pages >= 1920 * 1080 * 4 / 4096);
        QTRY_COMPARE(residentPages(window).first, pages);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(WindowMemoryTest)
#include "test_windowmemory.moc"
