#include "picture/PicturePreloader.h"

#include "picture/PictureLoader.h"

PicturePreloader::PicturePreloader(qint64 budgetBytes, int workers) : budget_(budgetBytes) {
    for (int i = 0; i < std::max(1, workers); ++i)
        workers_.emplace_back([this] { work(); });
}

PicturePreloader::~PicturePreloader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // The show is over: nothing under way is wanted, and ending it must not wait for it.
        for (auto& [path, e] : entries_)
            e.cancelled->store(true);
    }
    wake_.notify_all();
    for (auto& t : workers_)
        t.join();
}

double PicturePreloader::deviceArea() const {
    return std::max(1.0, geometry_.devicePixelRatio * geometry_.devicePixelRatio);
}

qint64 PicturePreloader::budget() const {
    // The budget is counted in pictures of the screen's size: a scaled screen has more pixels.
    return qint64(double(budget_) * deviceArea());
}

qint64 PicturePreloader::estimate() const {
    // Until its header is read, a picture is taken to cover the screen at 4:3 on 16:9.
    const QSize s = geometry_.screen.isValid() ? geometry_.screen : QSize(1920, 1080);
    return qint64(double(s.width()) * s.height() * 4 * 4 / 3 * deviceArea());
}

qint64 PicturePreloader::usedBytes() const {
    qint64 used = 0;
    for (const auto& [path, e] : entries_)
        if (e.state != State::Queued)
            used += e.bytes;
    return used;
}

void PicturePreloader::drop(Entry& entry) {
    entry.dropped = true;
    entry.cancelled->store(true);
}

const QString* PicturePreloader::nextToDecode() const {
    if (!urgent_.isEmpty()) {
        const auto it = entries_.find(urgent_);
        if (it != entries_.end() && it->second.state == State::Queued)
            return &it->first;
    }
    for (const QString& path : plan_) {
        const auto it = entries_.find(path);
        if (it == entries_.end() || it->second.state != State::Queued)
            continue;
        const qint64 used = usedBytes();
        // Always allow one picture, however large, so that the show can go on.
        if (used == 0 || used + estimate() <= budget())
            return &it->first;
        return nullptr; // in plan order: a later entry never overtakes an earlier one
    }
    return nullptr;
}

void PicturePreloader::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || nextToDecode(); });
        if (stopping_)
            return;
        const QString path = *nextToDecode();
        Entry& entry = entries_.at(path);
        entry.state = State::Decoding;
        entry.bytes = estimate();
        const ShowGeometry geometry = entry.geometry;
        const auto cancelled = entry.cancelled;
        ++decodesStarted_;
        lock.unlock();

        regular_file::Stamp stamp;
        stamp.size = -1; // stays so when nothing could be opened
        LoadedPicture picture = picture_loader::decode(path, geometry, &stamp, cancelled.get());

        lock.lock();
        const auto it = entries_.find(path);
        if (it != entries_.end() && it->second.state == State::Decoding) {
            if (it->second.dropped) {
                entries_.erase(it);
            } else if (cancelled->load()) {
                // Given up when it left the plan, and wanted again since: decoded afresh.
                it->second.state = State::Queued;
                it->second.bytes = 0;
                it->second.cancelled = std::make_shared<std::atomic<bool>>(false);
            } else {
                it->second.state = State::Ready;
                it->second.stamp = stamp.size >= 0 ? std::optional(stamp) : std::nullopt;
                it->second.bytes = picture.image.sizeInBytes();
                it->second.picture = std::move(picture);
            }
        }
        done_.notify_all();
        wake_.notify_all(); // the real size may leave room for more
    }
}

std::optional<LoadedPicture> PicturePreloader::keptFor(const QString& path,
                                                       const ShowGeometry& geometry) const {
    if (!kept_ || path != keptPath_ || kept_->geometry != geometry ||
        regular_file::stampOf(path) != kept_->stamp)
        return std::nullopt;
    return kept_->picture;
}

LoadedPicture PicturePreloader::load(const QString& path, const ShowGeometry& geometry) {
    std::unique_lock lock(mutex_);
    if (auto kept = keptFor(path, geometry)) {
        if (const auto it = entries_.find(path); it != entries_.end() && it->second.state != State::Decoding)
            entries_.erase(it);
        return *kept;
    }
    auto it = entries_.find(path);
    if (it != entries_.end() && it->second.geometry == geometry && !it->second.dropped) {
        if (it->second.state == State::Decoding) {
            // Being decoded right now: wait for it rather than decode it a second time.
            done_.wait(lock, [&] {
                const auto j = entries_.find(path);
                return j == entries_.end() || j->second.state != State::Decoding;
            });
            it = entries_.find(path);
        }
        if (it != entries_.end() && it->second.state == State::Ready) {
            Entry entry = std::move(it->second);
            entries_.erase(it);
            if (urgent_ == path)
                urgent_.clear();
            // Handed out only while the file is the one that was decoded.
            const bool current = regular_file::stampOf(path) == entry.stamp;
            if (current && path == keptPath_ && entry.picture.ok)
                kept_ = entry; // the pixels are shared with the picture on screen
            lock.unlock();
            wake_.notify_all();
            if (current)
                return std::move(entry.picture);
            return decodeHere(path, geometry);
        }
        if (it != entries_.end() && it->second.state == State::Queued)
            entries_.erase(it);
    }
    lock.unlock();
    return decodeHere(path, geometry);
}

LoadedPicture PicturePreloader::decodeHere(const QString& path, const ShowGeometry& geometry) {
    regular_file::Stamp stamp;
    stamp.size = -1;
    LoadedPicture picture = picture_loader::decode(path, geometry, &stamp);
    std::lock_guard lock(mutex_);
    if (path == keptPath_ && picture.ok && stamp.size >= 0) {
        Entry entry;
        entry.state = State::Ready;
        entry.geometry = geometry;
        entry.stamp = stamp;
        entry.picture = picture; // the pixels are shared with the picture on screen
        kept_ = std::move(entry);
    }
    return picture;
}

bool PicturePreloader::awaitReady(const QString& path, const ShowGeometry& geometry,
                                  std::chrono::milliseconds wait) {
    // A blank entry is an empty picture, which needs no decoding.
    if (path.isEmpty())
        return true;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock lock(mutex_);
    if (keptFor(path, geometry))
        return true;
    for (;;) {
        auto it = entries_.find(path);
        if (it != entries_.end()) {
            Entry& e = it->second;
            // A file changed since it was decoded is decoded again here, not by `load` on the
            // caller's thread.
            const bool current = e.state != State::Ready || regular_file::stampOf(path) == e.stamp;
            if (e.geometry == geometry && current) {
                if (e.state == State::Ready)
                    return true;
                e.dropped = false; // a decode given up meanwhile starts again once it ends
            } else if (e.state == State::Decoding) {
                drop(e); // for another screen: its end makes room for this one
            } else {
                entries_.erase(it);
                it = entries_.end();
            }
        }
        if (it == entries_.end()) {
            Entry e;
            e.geometry = geometry;
            entries_.emplace(path, std::move(e));
        }
        urgent_ = path;
        wake_.notify_all();
        if (done_.wait_until(lock, deadline) == std::cv_status::timeout) {
            const auto j = entries_.find(path);
            return j != entries_.end() && j->second.geometry == geometry && j->second.state == State::Ready;
        }
    }
}

void PicturePreloader::planAhead(const QStringList& upcoming, const ShowGeometry& geometry) {
    bool newWork = false;
    {
        std::lock_guard lock(mutex_);
        geometry_ = geometry;
        plan_.clear();
        for (const QString& path : upcoming)
            if (!plan_.contains(path))
                plan_ << path;
        for (auto it = entries_.begin(); it != entries_.end();) {
            Entry& e = it->second;
            const bool keep = (plan_.contains(it->first) || it->first == urgent_) && e.geometry == geometry;
            if (keep) {
                e.dropped = false;
                ++it;
            } else if (e.state == State::Decoding) {
                drop(e);
                ++it;
            } else {
                newWork |= e.state == State::Ready; // its bytes are free for the next one
                it = entries_.erase(it);
            }
        }
        for (const QString& path : std::as_const(plan_)) {
            if (!entries_.contains(path) && !keptFor(path, geometry)) {
                Entry e;
                e.geometry = geometry;
                entries_.emplace(path, std::move(e));
                newWork = true;
            }
        }
    }
    // Most steps only move the plan on by one entry that is already under way: waking both
    // workers for nothing would take the cores from the step that is placing its picture.
    if (newWork)
        wake_.notify_all();
}

void PicturePreloader::keepForEnd(const QString& path) {
    std::lock_guard lock(mutex_);
    if (path != keptPath_)
        kept_.reset();
    keptPath_ = path;
}

void PicturePreloader::forget(const QString& path) {
    {
        std::lock_guard lock(mutex_);
        if (path == keptPath_) {
            kept_.reset();
            keptPath_.clear();
        }
        plan_.removeAll(path);
        const auto it = entries_.find(path);
        if (it != entries_.end()) {
            if (it->second.state == State::Decoding)
                drop(it->second);
            else
                entries_.erase(it);
        }
    }
    wake_.notify_all();
}

bool PicturePreloader::isPrepared(const QString& path) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(path);
    return it != entries_.end() && it->second.state == State::Ready && !it->second.dropped;
}

bool PicturePreloader::isWanted(const QString& path) const {
    std::lock_guard lock(mutex_);
    return plan_.contains(path);
}

QStringList PicturePreloader::wanted() const {
    std::lock_guard lock(mutex_);
    return plan_;
}

void PicturePreloader::waitUntilIdle() const {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] {
        for (const auto& [path, e] : entries_)
            if (e.state == State::Decoding)
                return false;
        return nextToDecode() == nullptr;
    });
}

int PicturePreloader::decodesStarted() const {
    std::lock_guard lock(mutex_);
    return decodesStarted_;
}
