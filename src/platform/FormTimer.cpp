#include "platform/FormTimer.h"

FormTimer::FormTimer(int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval_(intervalMs), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &FormTimer::Timer);
    restart();
}

void FormTimer::setInterval(int ms) {
    interval_ = ms;
    restart();
}

void FormTimer::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    restart();
}

void FormTimer::restart() {
    timer_.stop();
    // A Qt timer of 0 ms would fire on every pass of the event loop; here 0 means "never".
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}
