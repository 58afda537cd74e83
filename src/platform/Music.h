#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

struct _Mix_Music;

// The show's background music: one SDL_mixer music at a time, started from its beginning by each
// StartPlay, polled by the player's 100 ms timer through ReachedEnd so that it can be restarted.
//
// SDL_mixer has a single music channel per process, so every Music plays on that channel: a start
// on one object ends whatever another one was playing. All calls belong on the GUI thread; the
// mixer plays on its own thread.
class Music {
public:
    enum class StartResult { Playing, BadFile, NoAudio };
    // What the music's pauses are measured on; tests put a clock of their own in its place.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static void setClock(Clock clock);

    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Ends and releases the music held so far, then plays `path` once from its beginning.
    // BadFile: not a regular file, or content the mixer cannot play. NoAudio: no usable audio
    // output, which says nothing about the file; the show goes on without music.
    StartResult StartPlay(const QString& path);
    // Halts the music if one is held; the music stays held until the next start or destruction.
    void StopPlay();
    // True once a started music has played to its end. False when nothing was started and after
    // StopPlay, so that a poll never restarts music that was stopped on purpose or never began.
    bool ReachedEnd() const;
    bool isPlaying() const;
    // Seconds into the music, or -1 when nothing is held or the format cannot tell (MIDI).
    double position() const;
    // The started music ended as soon as it began (a MIDI file without notes, a WAV without
    // samples): restarting such a tune on every poll would only keep the GUI thread busy.
    bool endedAtOnce() const;

private:
    class AudioDevice;

    void release();

    std::shared_ptr<AudioDevice> m_device;
    _Mix_Music* m_music = nullptr;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_startedAt;
    // Started a WAV without samples: nothing plays, and the music has ended at once.
    bool m_silent = false;
};
