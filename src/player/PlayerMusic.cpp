#include "player/Main_Frm.h"

#include "forms/Forms.h"
#include "platform/Desktop.h"
#include "platform/FormTimer.h"
#include "platform/General.h"
#include "platform/Music.h"

// The show's music: started when the player first becomes active, played in a loop, and the
// program's end when the file is no music at all.

namespace {

const QString LumoraTitle = QStringLiteral("Lumora");

} // namespace

void Main_Frm::Form_Activate() {
    if (closing_)
        return;
    ShowState& shared = forms_.showState();
    if (shared.musicPath.isEmpty() || !shared.useMusic || !general::File_Exists(shared.musicPath))
        return;
    shared.musicLoop = true;
    if (StartPlay())
        Music_Timer->setEnabled(true);
}

bool Main_Frm::StartPlay() {
    switch (forms_.music().StartPlay(forms_.showState().musicPath)) {
    case Music::StartResult::Playing:
        return true;
    case Music::StartResult::NoAudio:
        // Nothing to play on: the show goes on in silence, the file is not at fault.
        return false;
    case Music::StartResult::BadFile:
        break;
    }
    StopPlay();
    // A preview goes back to the maker, whose list is not saved anywhere yet; any other show ends here.
    const Form* maker = forms_.form(FormId::Maker);
    const bool preview = maker && maker->isVisible();
    closing_ = true;
    keepScreenAwake(false);
    forms_.desktop().message(this, {QStringLiteral("Invalid Music file, program will exit."), LumoraTitle,
                                    desktop::Icon::Critical, desktop::Buttons::Ok});
    if (preview) {
        closing_ = false;
        Close_Show();
        return false;
    }
    forms_.desktop().endNow(1);
    return false;
}

void Main_Frm::StopPlay() {
    forms_.music().StopPlay();
}

void Main_Frm::Music_Timer_Timer() {
    if (closing_ || !forms_.music().ReachedEnd())
        return;
    // A tune that is over as soon as it starts (a MIDI file without notes) would be started again
    // on every poll, each start costing the synthesiser tens of milliseconds of this thread: after
    // a few such ends in a row the show goes on without music.
    quickMusicEnds_ = forms_.music().endedAtOnce() ? quickMusicEnds_ + 1 : 0;
    StopPlay();
    if (quickMusicEnds_ >= QuickEndsTolerated || (forms_.showState().musicLoop && !StartPlay()))
        Music_Timer->setEnabled(false);
}
