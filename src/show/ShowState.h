#pragma once

#include <QString>

// Show options shared by the folder setup and the player, kept for the whole run of the program.
struct ShowState {
    bool useMusic = false;
    QString musicPath;
    bool musicLoop = false;
};
