// Runs the keldrin binary built beside the test executable, with its own scan-log folder.
#pragma once

#include <filesystem>
#include <string>

#include "Fixtures.h"
#include "TempDir.h"

namespace keldrin::test {

struct CliResult {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

class CliRunner {
public:
    CliRunner();
    // Runs "keldrin ARGS" (args already quoted for the shell) with XDG_DATA_HOME in dataHome().
    CliResult Run(const std::string& args) const;
    const std::filesystem::path& dataHome() const { return data_.path(); }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return work_ / p; }
    const std::filesystem::path& work() const { return work_.path(); }

private:
    TempDir data_;
    TempDir work_;
    std::filesystem::path binary_;
};

}  // namespace keldrin::test
