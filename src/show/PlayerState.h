#pragma once

#include <QString>

#include <random>

// The player's state that outlives its window: a show that leaves a setting out keeps the value of
// the show played before it in this run.
struct PlayerState {
    QString currentPath;
    qsizetype currentIndex = -1;
    bool stretch = false;
    bool keepRatio = false;
    bool shuffle = false;
    bool loop = false;
    bool pauseMessage = false;
    // Every picture seen whole, whatever the show's display settings: set for a show of pictures
    // named on the command line.
    bool whole = false;
    bool paused = false;
    qsizetype failedCount = 0;
    std::mt19937 random{std::random_device{}()};
};
