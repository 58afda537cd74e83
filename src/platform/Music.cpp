#include "platform/Music.h"

#include <QFile>

#include "platform/MusicFormat.h"
#include "platform/NativeName.h"
#include "platform/RegularFile.h"
#include "platform/SdlMixerApi.h"
#include "platform/WavHeader.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only called once the libraries are known to be loaded (a music or a device exists).
const SdlMixerApi& sdl() {
    return *SdlMixerApi::get();
}

// A machine without sound output stays that way for a while, and every probe costs a driver load
// and, with ALSA, a burst of complaints on stderr; so after a failure the device is not tried again
// for a few seconds. Not for good: music comes back once a device is plugged in or a sound server
// started, at the next start after the pause.
constexpr std::chrono::seconds kRetryAfterFailure{5};
// A tune over within this time of its start has ended at once.
constexpr std::chrono::milliseconds kAtOnce{300};

Music::Clock& musicClock() {
    static Music::Clock clock = [] { return std::chrono::steady_clock::now(); };
    return clock;
}

// Background music needs no low latency; a roomy buffer (46 ms) rides out a busy machine.
constexpr int kChunkFrames = 2048;

// The file is handed to SDL only when it is a regular file: a FIFO would block the GUI thread until
// a writer appears and a device would be read as endless data. stat() first, so that neither is even
// opened; the descriptor is checked again because the path may be replaced between the two calls.
// `type` says which music the content is, MUS_NONE when it is none that the mixer streams.
SDL_RWops* openRegularFile(const QString& path, Mix_MusicType& type) {
    const auto name = native_name::forSystem(path);
    struct stat st {};
    if (!name || ::stat(name->constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    const int fd = ::open(name->constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    switch (music_format::sniff(fd)) {
    case music_format::Kind::Wav:
        type = MUS_WAV;
        break;
    case music_format::Kind::Midi:
        type = MUS_MID;
        break;
    case music_format::Kind::Mp3:
        type = MUS_MP3;
        break;
    case music_format::Kind::Unknown:
        type = MUS_NONE;
        break;
    }
    FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    SDL_RWops* rw = sdl().RWFromFP(file, SDL_TRUE);
    if (!rw)
        std::fclose(file);
    return rw;
}

} // namespace

// SDL's audio subsystem and the mixer's output device exist once per process, so all Music objects
// share one open device: it is opened by the first start that needs it and closed when the last
// Music holding it goes away. This, and the memory of a failed open, is the only process-wide state.
class Music::AudioDevice {
public:
    static std::shared_ptr<AudioDevice> acquire() {
        static std::weak_ptr<AudioDevice> shared;
        static std::optional<std::chrono::steady_clock::time_point> lastFailure;

        if (auto device = shared.lock())
            return device;
        if (lastFailure && musicClock()() - *lastFailure < kRetryAfterFailure)
            return nullptr;
        std::shared_ptr<AudioDevice> device(new AudioDevice);
        if (!device->m_open) {
            lastFailure = musicClock()();
            return nullptr;
        }
        lastFailure.reset();
        shared = device;
        return device;
    }

    ~AudioDevice() {
        if (!m_open)
            return;
        sdl().HaltMusic();
        sdl().CloseAudio();
        sdl().Quit();
        sdl().QuitSubSystem(SDL_INIT_AUDIO);
    }

private:
    AudioDevice() {
        // Without this hint SDL installs its own SIGINT/SIGTERM handlers and the program would no
        // longer end on Ctrl-C or a polite kill.
        sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl().InitSubSystem(SDL_INIT_AUDIO) != 0)
            return;
        if (sdl().OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, MIX_DEFAULT_CHANNELS, kChunkFrames) !=
            0) {
            sdl().QuitSubSystem(SDL_INIT_AUDIO);
            return;
        }
        m_open = true;
    }

    bool m_open = false;
};

void Music::setClock(Clock c) {
    musicClock() = std::move(c);
}

Music::Music() = default;

Music::~Music() {
    release();
}

Music::StartResult Music::StartPlay(const QString& path) {
    // Without SDL_mixer on the machine there is nothing to play on, as without a sound card; a path
    // that names no file is still the file's fault.
    if (!SdlMixerApi::get())
        return regular_file::stampOf(path) ? StartResult::NoAudio : StartResult::BadFile;
    // The old music is halted now but freed only after the new one is loaded: the MIDI synthesiser
    // keeps a soundfont's samples cached while any music still uses them, so a loop restart does not
    // read the whole soundfont again.
    _Mix_Music* previous = m_music;
    if (previous)
        sdl().HaltMusic();
    m_music = nullptr;
    m_started = false;
    m_silent = false;

    const auto freePrevious = [previous] {
        if (previous)
            sdl().FreeMusic(previous);
    };

    Mix_MusicType type = MUS_NONE;
    SDL_RWops* source = openRegularFile(path, type);
    if (!source) {
        freePrevious();
        return StartResult::BadFile;
    }
    if (!m_device)
        m_device = AudioDevice::acquire();
    if (!m_device) {
        sdl().RWclose(source);
        freePrevious();
        return StartResult::NoAudio;
    }

    // Without a device the content is not judged (above); with one, a file that is not music the
    // mixer streams is bad, and never reaches the mixer, which would read it whole.
    if (type == MUS_NONE) {
        sdl().RWclose(source);
        freePrevious();
        return StartResult::BadFile;
    }
    // Loaded from the stream rather than by name, with the format judged by the content, so that a
    // text file named .mid is refused instead of "playing" silence.
    Mix_Music* music = sdl().LoadMUSType_RW(source, type, 1);
    freePrevious();
    if (!music) {
        // The mixer refuses a WAV without samples, yet such a file is a tune that ends as soon as
        // it starts, not a bad file.
        const auto file = regular_file::open(path);
        if (!file || !wav_header::hasNoSamples(*file))
            return StartResult::BadFile;
        m_silent = true;
        m_startedAt = musicClock()();
        return StartResult::Playing;
    }
    // A tune of no length (a WAV without samples) is a valid file that ends as soon as it starts;
    // the player's poll sees that end and gives up on such music after a few rounds.
    if (sdl().PlayMusic(music, 0) != 0) {
        sdl().FreeMusic(music);
        return StartResult::BadFile;
    }
    m_music = music;
    m_started = true;
    m_startedAt = musicClock()();
    return StartResult::Playing;
}

void Music::StopPlay() {
    m_silent = false;
    if (!m_music)
        return;
    if (m_started)
        sdl().HaltMusic();
    m_started = false;
}

bool Music::ReachedEnd() const {
    if (m_silent)
        return true;
    if (!m_music || !m_started)
        return false;
    const double duration = sdl().MusicDuration(m_music);
    if (duration > 0.0 && sdl().GetMusicPosition(m_music) >= duration)
        return true;
    // MIDI knows neither its length nor its position; and a decoder that stops a little short of
    // its announced length must not leave the show without music, so a music that is no longer
    // playing has ended as well.
    return sdl().PlayingMusic() == 0;
}

bool Music::isPlaying() const {
    return m_music && m_started && sdl().PlayingMusic() != 0;
}

bool Music::endedAtOnce() const {
    return ReachedEnd() && musicClock()() - m_startedAt < kAtOnce;
}

double Music::position() const {
    return m_music ? sdl().GetMusicPosition(m_music) : -1.0;
}

void Music::release() {
    if (m_music)
        sdl().FreeMusic(m_music);
    m_music = nullptr;
    m_started = false;
    m_silent = false;
    m_device.reset();
}
