// The program folder and the per-user folders. Environment variables override the XDG defaults
// so that tests run against temporary folders.
#pragma once

#include <filesystem>

namespace keldrin {

// The folder of /proc/self/exe: config.ini, Languages/ and the launchers live there.
std::filesystem::path ProgramFolder();
// $XDG_DATA_HOME (default ~/.local/share) + "/Quorvex Keldrin".
std::filesystem::path AppDataFolder();
// AppDataFolder() + "/ScanLog": scan logs, the catalogue "config" and preview files.
std::filesystem::path ScanLogFolder();
// $XDG_CONFIG_HOME (default ~/.config) + "/Quorvex Keldrin".
std::filesystem::path UserConfigFolder();
// $XDG_RUNTIME_DIR, or AppDataFolder() where it is not set.
std::filesystem::path RuntimeFolder();

}  // namespace keldrin
