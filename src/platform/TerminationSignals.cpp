#include "platform/TerminationSignals.h"

#include "platform/TemporaryShows.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace termination_signals {

namespace {

int wakeFds[2] = {-1, -1};
std::atomic<int> caught{0};

// Only async-signal-safe work here: the watching thread is woken through a socket.
void onSignal(int signal) {
    int none = 0;
    caught.compare_exchange_strong(none, signal);
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
}

struct Ending {
    std::function<void()> giveBack;
    std::chrono::milliseconds grace;
};

[[noreturn]] void endBy(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

void watch(std::shared_ptr<const Ending> ending) {
    char byte = 0;
    while (::read(wakeFds[1], &byte, 1) < 0 && errno == EINTR) {
    }
    const int signal = caught.load();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [ending, signal] {
            if (ending->giveBack)
                ending->giveBack();
            temporary_shows::removeOurs();
            endBy(signal);
        },
        Qt::QueuedConnection);
    std::this_thread::sleep_for(ending->grace);
    temporary_shows::removeOurs();
    endBy(signal);
}

} // namespace

void endProgramOnSignals(std::function<void()> giveBack, std::chrono::milliseconds grace) {
    if (wakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0)
        return;
    auto ending = std::make_shared<Ending>();
    ending->giveBack = std::move(giveBack);
    ending->grace = grace;
    std::thread(watch, std::shared_ptr<const Ending>(ending)).detach();

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void ignoreFileSizeLimitSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace termination_signals
