#pragma once

class QWidget;

namespace window_memory {

// Gives a created top-level window its pixel memory now, at its present size, and has the
// system provide those pages on a worker thread. The first paint of a full-screen window would
// otherwise spend about 10 ms taking a page fault for each 4 KiB of a shared-memory buffer that
// the window system copies from. Does nothing for a window that has no native window yet, nor on a
// window system whose buffers are made only as a paint begins (Wayland).
void prepare(QWidget& window);

} // namespace window_memory
