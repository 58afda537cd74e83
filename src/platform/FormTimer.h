#pragma once

#include <QObject>
#include <QTimer>

// A window timer with the program's rules: it ticks only while enabled and with an interval above
// 0, and switching it on (also off and on again) starts a full interval.
class FormTimer : public QObject {
    Q_OBJECT
public:
    FormTimer(int intervalMs, bool enabled, QObject* parent = nullptr);

    int interval() const { return interval_; }
    void setInterval(int ms);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);
    bool isTicking() const { return timer_.isActive(); }
    // Milliseconds until the next tick, or -1 when it is not ticking.
    int remainingTime() const { return timer_.remainingTime(); }

signals:
    void Timer();

private:
    void restart();

    QTimer timer_;
    int interval_;
    bool enabled_;
};
