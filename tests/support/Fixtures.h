// Running the real tools that make fixtures (mkfs.fat, mtools, mkntfs, ImageMagick, ...).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace keldrin::test {

struct CommandResult {
    int status = -1;     // exit status, or -1 when the command could not be run
    std::string output;  // standard output and standard error together
};

// Runs a command line through /bin/sh -c.
CommandResult RunShell(const std::string& commandLine);
// Runs a command line and fails the current test (ADD_FAILURE) when it exits non-zero.
bool RunOrFail(const std::string& commandLine);
// True when the program is on PATH (or in /sbin, /usr/sbin).
bool HaveTool(const std::string& program);
// Quotes a string for a shell command line.
std::string ShellQuote(const std::string& text);

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// Deterministic pseudo-random bytes (for file contents whose hashes are compared).
std::vector<uint8_t> PseudoRandomBytes(size_t count, uint32_t seed);

}  // namespace keldrin::test
