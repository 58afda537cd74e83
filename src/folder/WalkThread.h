#pragma once

#include "folder/FolderWalk.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// A folder walk on a thread of its own, so that the window showing it stays painted and answers
// (its close box stops the walk) while a whole disk is listed. The window collects what the walk
// did, in order, whenever it draws.
class WalkThread {
public:
    // One change of the label (a folder) or of the bar (`folder` null).
    struct Step {
        QString folder;
        int maximum = 0;
        int value = 0;
    };

    // Starts walking `start`. `stop` is the flag `lister` was made to watch (may be the only owner).
    WalkThread(const QString& start, folder_walk::Lister lister, std::shared_ptr<std::atomic<bool>> stop);
    // Stops the walk; waits for it only as long as a stopped walk takes to notice (a listing stuck on
    // a dead network mount is left to end on its own).
    ~WalkThread();
    WalkThread(const WalkThread&) = delete;
    WalkThread& operator=(const WalkThread&) = delete;

    void stop();
    // The steps since the last call, in the order the walk made them.
    std::vector<Step> takeSteps();
    // True once the walk has ended; its steps may still be waiting in takeSteps.
    bool finished() const;
    // The pictures found, in show order; empty before the walk has finished, and after a stop.
    QStringList takePictures();

private:
    struct Job;
    std::shared_ptr<Job> job_;
    std::thread thread_;
};
