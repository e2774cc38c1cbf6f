#include "platform/AppPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace keldrin {
namespace {

constexpr const char* kAppFolderName = "Quorvex Keldrin";

// XDG base directories must be absolute; a relative value is ignored, as the XDG base-directory
// rules ask.
std::filesystem::path AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return {};
    std::filesystem::path p(value);
    return p.is_absolute() ? p : std::filesystem::path();
}

std::filesystem::path HomeFolder() {
    std::filesystem::path home = AbsoluteEnv("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return std::filesystem::temp_directory_path();
}

}  // namespace

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path AppDataFolder() {
    std::filesystem::path base = AbsoluteEnv("XDG_DATA_HOME");
    if (base.empty()) base = HomeFolder() / ".local" / "share";
    return base / kAppFolderName;
}

std::filesystem::path ScanLogFolder() {
    return AppDataFolder() / "ScanLog";
}

std::filesystem::path UserConfigFolder() {
    std::filesystem::path base = AbsoluteEnv("XDG_CONFIG_HOME");
    if (base.empty()) base = HomeFolder() / ".config";
    return base / kAppFolderName;
}

std::filesystem::path RuntimeFolder() {
    std::filesystem::path runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
    return runtime.empty() ? AppDataFolder() : runtime;
}

}  // namespace keldrin
