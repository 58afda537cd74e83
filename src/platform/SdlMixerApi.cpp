#include "platform/SdlMixerApi.h"

#include <dlfcn.h>

#include <optional>

namespace {

template <typename F> bool resolve(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

std::optional<SdlMixerApi> load() {
    // The mixer's own dependency on SDL is resolved by the loader; SDL is opened first only so
    // that its functions can be looked up by name.
    void* sdl = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    void* mixer = sdl ? ::dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_GLOBAL) : nullptr;
    if (!mixer)
        return std::nullopt;
    SdlMixerApi api{};
    const bool ok =
        resolve(sdl, "SDL_SetHint", api.SetHint) && resolve(sdl, "SDL_InitSubSystem", api.InitSubSystem) &&
        resolve(sdl, "SDL_QuitSubSystem", api.QuitSubSystem) && resolve(sdl, "SDL_RWFromFP", api.RWFromFP) &&
        resolve(sdl, "SDL_RWclose", api.RWclose) && resolve(mixer, "Mix_OpenAudio", api.OpenAudio) &&
        resolve(mixer, "Mix_CloseAudio", api.CloseAudio) && resolve(mixer, "Mix_Quit", api.Quit) &&
        resolve(mixer, "Mix_LoadMUSType_RW", api.LoadMUSType_RW) &&
        resolve(mixer, "Mix_FreeMusic", api.FreeMusic) && resolve(mixer, "Mix_PlayMusic", api.PlayMusic) &&
        resolve(mixer, "Mix_HaltMusic", api.HaltMusic) &&
        resolve(mixer, "Mix_PlayingMusic", api.PlayingMusic) &&
        resolve(mixer, "Mix_MusicDuration", api.MusicDuration) &&
        resolve(mixer, "Mix_GetMusicPosition", api.GetMusicPosition);
    if (!ok)
        return std::nullopt;
    return api;
}

} // namespace

const SdlMixerApi* SdlMixerApi::get() {
    // Loaded once; the libraries stay for the rest of the run, as linked ones would.
    static const std::optional<SdlMixerApi> api = load();
    return api ? &*api : nullptr;
}
