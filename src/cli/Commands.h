// The keldrin commands. Each returns the process's exit status: 0 success, 1 partly done (some
// files failed, or nothing could be scanned), 2 a source, destination or log that cannot be used,
// 130 cancelled with Ctrl-C. Results go to standard output, errors to standard error.
#pragma once

#include <string>
#include <vector>

namespace keldrin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitPartly = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitCancelled = 130;

struct TypeOptions {
    std::vector<std::string> types;       // --types photo,audio,...
    std::vector<std::string> extensions;  // --ext jpg,png
};

int RunDetect(const std::string& source);
int RunLogShow(const std::string& log, const TypeOptions& types, bool json);

struct ScanOptions {
    std::string mode = "fast";
    std::string source;
    TypeOptions types;
    bool json = false;          // list
    std::string destination;    // recover
    bool keepFolders = false;   // recover
};

int RunScan(const ScanOptions& options);
int RunList(const ScanOptions& options);
int RunRecover(const ScanOptions& options);

// Prints "keldrin: <message>" on standard error.
void PrintError(const std::string& message);

}  // namespace keldrin::cli
