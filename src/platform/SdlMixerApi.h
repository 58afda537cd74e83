#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

// The parts of SDL and SDL_mixer that the music uses. The libraries are loaded when music is first
// played, not when the program starts: the mixer brings some forty codec and sound-server
// libraries with it, which cost every start about 15 ms, music or not.
struct SdlMixerApi {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_InitSubSystem) InitSubSystem;
    decltype(&SDL_QuitSubSystem) QuitSubSystem;
    decltype(&SDL_RWFromFP) RWFromFP;
    decltype(&SDL_RWclose) RWclose;
    decltype(&Mix_OpenAudio) OpenAudio;
    decltype(&Mix_CloseAudio) CloseAudio;
    decltype(&Mix_Quit) Quit;
    decltype(&Mix_LoadMUSType_RW) LoadMUSType_RW;
    decltype(&Mix_FreeMusic) FreeMusic;
    decltype(&Mix_PlayMusic) PlayMusic;
    decltype(&Mix_HaltMusic) HaltMusic;
    decltype(&Mix_PlayingMusic) PlayingMusic;
    decltype(&Mix_MusicDuration) MusicDuration;
    decltype(&Mix_GetMusicPosition) GetMusicPosition;

    // The loaded functions, or null when the libraries are not on this machine (no music then).
    static const SdlMixerApi* get();
};
