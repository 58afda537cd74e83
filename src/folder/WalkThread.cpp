#include "folder/WalkThread.h"

#include "platform/FreeAside.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

// Shared by the window and the thread, so that a thread left running past the window still has it.
struct WalkThread::Job {
    std::shared_ptr<std::atomic<bool>> stop;
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<Step> steps;
    QStringList pictures;
    bool finished = false;
};

WalkThread::WalkThread(const QString& start, folder_walk::Lister lister,
                       std::shared_ptr<std::atomic<bool>> stop)
    : job_(std::make_shared<Job>()) {
    job_->stop = stop ? std::move(stop) : std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([job = job_, start, lister = std::move(lister)] {
        folder_walk::Progress progress;
        progress.folderChanged = [&job](const QString& folder) {
            const std::lock_guard lock(job->mutex);
            job->steps.push_back({folder, 0, 0});
        };
        progress.barChanged = [&job](int maximum, int value) {
            const std::lock_guard lock(job->mutex);
            job->steps.push_back({QString(), maximum, value});
        };
        QStringList pictures = folder_walk::walk(start, lister, progress, job->stop.get());
        // Nobody takes what a stopped walk found: freed aside, not by whichever thread lets the job
        // go last, which may be the window's.
        if (job->stop->load())
            freeAside(std::move(pictures));
        const std::lock_guard lock(job->mutex);
        job->pictures = std::move(pictures);
        job->finished = true;
        job->ended.notify_all();
    });
}

WalkThread::~WalkThread() {
    stop();
    std::unique_lock lock(job_->mutex);
    const bool ended =
        job_->ended.wait_for(lock, std::chrono::milliseconds(50), [this] { return job_->finished; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

void WalkThread::stop() {
    job_->stop->store(true);
}

std::vector<WalkThread::Step> WalkThread::takeSteps() {
    std::vector<Step> steps;
    const std::lock_guard lock(job_->mutex);
    steps.swap(job_->steps);
    return steps;
}

bool WalkThread::finished() const {
    const std::lock_guard lock(job_->mutex);
    return job_->finished;
}

QStringList WalkThread::takePictures() {
    const std::lock_guard lock(job_->mutex);
    return std::move(job_->pictures);
}
