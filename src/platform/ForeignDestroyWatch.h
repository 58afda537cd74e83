#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

// Tells when a window of the program is destroyed by another program (a window manager's or a tool's
// XDestroyWindow). Qt does not report it: the widget still counts as shown, with nothing on screen,
// and a program whose last window went that way would live on with no window at all.
// Reports every window destroyed, the program's own ones too: compare with the windows that should
// still be there.
class ForeignDestroyWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit ForeignDestroyWatch(QObject* parent = nullptr);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void windowDestroyed(quintptr windowId);
};
