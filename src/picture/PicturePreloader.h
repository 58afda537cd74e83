#pragma once

#include "picture/PictureSource.h"
#include "platform/RegularFile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Decodes the pictures a show will ask for next on worker threads, so that a step finds its picture
// ready. What it holds is bounded by the bytes of the decoded pictures; work the user stepped past
// is dropped. A prepared picture is handed out only while its file is unchanged on disk, and a
// failed preparation is only a failure once the step that asks for it finds the file unchanged too.
// A decode nobody wants any more is given up, so that neither a step nor the end of a show waits
// for a picture that floods its decoder.
class PicturePreloader final : public PictureSource {
public:
    explicit PicturePreloader(qint64 budgetBytes = DefaultBudget, int workers = 2);
    ~PicturePreloader() override;
    PicturePreloader(const PicturePreloader&) = delete;
    PicturePreloader& operator=(const PicturePreloader&) = delete;

    // Three screen-sized pictures (4:3 on a 1920 x 1080 screen): one ready for the next step while
    // each of the two workers decodes another, so that both cores keep decoding; the picture on
    // screen is held apart from this. Given for an unscaled screen; it grows with the device pixels.
    static constexpr qint64 DefaultBudget = 36ll << 20;

    LoadedPicture load(const QString& path, const ShowGeometry& geometry) override;
    bool awaitReady(const QString& path, const ShowGeometry& geometry,
                    std::chrono::milliseconds wait) override;
    void planAhead(const QStringList& upcoming, const ShowGeometry& geometry) override;
    void forget(const QString& path) override;
    void keepForEnd(const QString& path) override;

    // For tests and benchmarks: what is prepared or being prepared now.
    bool isPrepared(const QString& path) const;
    bool isWanted(const QString& path) const;
    QStringList wanted() const;
    // Blocks until no decode is under way or queued that fits the budget.
    void waitUntilIdle() const;
    int decodesStarted() const;

private:
    enum class State { Queued, Decoding, Ready };
    struct Entry {
        State state = State::Queued;
        ShowGeometry geometry;
        LoadedPicture picture;
        std::optional<regular_file::Stamp> stamp;
        qint64 bytes = 0;
        bool dropped = false; // left the plan while being decoded
        // Set to give up the decode under way.
        std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    };
    void drop(Entry& entry);
    // Decodes on the caller's thread, keeping the picture if it is the one kept for the end.
    LoadedPicture decodeHere(const QString& path, const ShowGeometry& geometry);
    // The picture kept for the end, if it is `path` as shown with `geometry` and its file is
    // unchanged; called with the lock held.
    std::optional<LoadedPicture> keptFor(const QString& path, const ShowGeometry& geometry) const;

    void work();
    // The next queued entry in plan order that the budget allows, or null.
    const QString* nextToDecode() const;
    qint64 usedBytes() const;
    qint64 estimate() const;
    qint64 budget() const;
    double deviceArea() const;

    const qint64 budget_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    mutable std::condition_variable done_;
    std::map<QString, Entry> entries_;
    QStringList plan_;
    QString urgent_; // a step waits for it: decoded before the plan, whatever the budget
    ShowGeometry geometry_;
    bool stopping_ = false;
    int decodesStarted_ = 0;
    // A show's last step shows its first picture again: kept from its first showing, beside the
    // budget (one screen's picture), rather than decoded a second time as the show ends.
    QString keptPath_;
    std::optional<Entry> kept_;
    std::vector<std::thread> workers_;
};
