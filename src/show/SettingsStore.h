#pragma once

#include <QString>

// The per-user store of remembered choices, addressed by application, section and key. Each
// application name is its own INI file in the user's configuration folder.
namespace settings {

inline constexpr auto MenuApp = "10. Lumora";
inline constexpr auto MakerApp = "10. Lumora Maker";
inline constexpr auto Section = "Settings";

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Reads a whole number in [min, max]; anything absent, unreadable or out of range gives `fallback`.
int GetInt(const QString& application, const QString& key, int fallback, int min, int max);
bool GetBool(const QString& application, const QString& key, bool fallback);

} // namespace settings
