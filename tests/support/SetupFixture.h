#pragma once

#include "SetupDriver.h"
#include "ShowFixture.h"

#include <QStringList>

// The program as a user meets the folder setup: a fresh settings store of the menu's application,
// no folder show left over, and the setup window opened from the menu's folder button.
class SetupFixture : public ShowFixture {
public:
    SetupFixture();

    // A value of the menu's settings, as an earlier run left it; "absent" when there is none.
    static void store(const QString& key, const QString& value);
    static QString stored(const QString& key);

    // The setup window once active, or none.
    SetupDriver openSetup();
    // The same on `folder`, with subfolders included when asked.
    SetupDriver openSetupOn(const QString& folder, bool subfolders);
    // The folder show a run wrote: its lines without quotes, or none.
    static QStringList tempShowLines();
    // Leaves the playing show with Escape: the setup is gone and the menu comes back.
    void leaveShow();
};
