// The WIN.INI stand-in: win.ini in the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config), read like the platform's profile: [section] headers and key=value lines, section
// and key names compared without regard to case, ';' lines are comments.
#pragma once

#include <filesystem>
#include <string_view>

namespace console {

// The path of win.ini; empty when neither XDG_CONFIG_HOME nor HOME is set.
std::filesystem::path profile_path();

// The integer value of `key` in `section`: its leading decimal digits (after an optional sign),
// 0 when it has none; `fallback` when the file, section or key is missing.
int profile_int(const std::filesystem::path& file, std::string_view section, std::string_view key,
                int fallback);

}  // namespace console
