#include <gtest/gtest.h>

#include "ScopedEnv.h"
#include "platform/AppPaths.h"

namespace keldrin {
namespace {

using test::ScopedEnv;

TEST(AppPaths, DataAndScanLogFoldersFollowXdgDataHome) {
    ScopedEnv data("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(AppDataFolder(), "/srv/data/Quorvex Keldrin");
    EXPECT_EQ(ScanLogFolder(), "/srv/data/Quorvex Keldrin/ScanLog");
}

TEST(AppPaths, UnsetOrRelativeXdgValuesFallBackToTheHomeDefaults) {
    ScopedEnv home("HOME", "/home/ana");
    for (std::optional<std::string> value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/dir")}) {
        ScopedEnv data("XDG_DATA_HOME", value);
        ScopedEnv config("XDG_CONFIG_HOME", value);
        ScopedEnv runtime("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(AppDataFolder(), "/home/ana/.local/share/Quorvex Keldrin");
        EXPECT_EQ(UserConfigFolder(), "/home/ana/.config/Quorvex Keldrin");
        EXPECT_EQ(RuntimeFolder(), AppDataFolder()) << "no runtime folder: the data folder";
    }
}

TEST(AppPaths, ConfigAndRuntimeFoldersFollowTheirVariables) {
    ScopedEnv config("XDG_CONFIG_HOME", "/etc/xdg-user");
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(UserConfigFolder(), "/etc/xdg-user/Quorvex Keldrin");
    EXPECT_EQ(RuntimeFolder(), "/run/user/1000");
}

TEST(AppPaths, ProgramFolderHoldsTheRunningExecutable) {
    EXPECT_TRUE(std::filesystem::is_regular_file(ProgramFolder() / "keldrin_platform_tests"));
}

}  // namespace
}  // namespace keldrin
