#include "CliRunner.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace keldrin::test {

CliRunner::CliRunner() {
    binary_ = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "keldrin";
}

CliResult CliRunner::Run(const std::string& args) const {
    auto errPath = work_ / ".stderr";
    // The subshell keeps standard error apart from the output that RunShell collects.
    CommandResult r = RunShell("(XDG_DATA_HOME=" + ShellQuote(data_.path()) + " " +
                               ShellQuote(binary_) + " " + args + " 2>" + ShellQuote(errPath) +
                               " </dev/null)");
    CliResult result;
    result.status = r.status;
    result.out = r.output;
    std::ifstream in(errPath);
    result.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

}  // namespace keldrin::test
