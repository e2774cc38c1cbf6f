#include "Fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace keldrin::test {

CommandResult RunShell(const std::string& commandLine) {
    CommandResult result;
    std::string full = "PATH=\"$PATH:/sbin:/usr/sbin\"; " + commandLine + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool RunOrFail(const std::string& commandLine) {
    CommandResult r = RunShell(commandLine);
    if (r.status != 0) {
        ADD_FAILURE() << "command failed (" << r.status << "): " << commandLine << "\n" << r.output;
        return false;
    }
    return true;
}

bool HaveTool(const std::string& program) {
    return RunShell("command -v " + ShellQuote(program) + " >/dev/null").status == 0;
}

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> PseudoRandomBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = uint8_t(x >> 24);
    }
    return out;
}

}  // namespace keldrin::test
