#include "platform/ForeignDestroyWatch.h"

#include <QCoreApplication>

#include <cstdint>

namespace {

// The X protocol's DestroyNotify event, as XCB delivers it (xcb_destroy_notify_event_t).
constexpr std::uint8_t DestroyNotify = 17;
struct DestroyNotifyEvent {
    std::uint8_t responseType;
    std::uint8_t pad0;
    std::uint16_t sequence;
    std::uint32_t event;
    std::uint32_t window;
};

} // namespace

ForeignDestroyWatch::ForeignDestroyWatch(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool ForeignDestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const DestroyNotifyEvent*>(message);
    // The top bit marks an event sent by another client rather than by the server.
    if ((event->responseType & 0x7f) == DestroyNotify)
        emit windowDestroyed(event->window);
    return false;
}
