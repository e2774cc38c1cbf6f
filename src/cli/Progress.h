// The progress bar of long commands, on standard error and only when it is a terminal; and the
// Ctrl-C cancel that the engines' callbacks answer with the cancel code.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace keldrin::cli {

// Installs the SIGINT handler once; the first Ctrl-C asks for a cancel, a second one ends the
// process as usual.
void InstallCancelHandler();
bool CancelRequested();

class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();  // ends the bar's line

    // Engine progress: units * scale / 100 percent, clamped to 0..100. A meaningful estimate
    // (secondsLeft >= 0 while below 100 %) is shown as time left, otherwise the elapsed time.
    void Update(int32_t units, int32_t scale, int32_t secondsLeft, uint64_t filesFound);
    void SetLabel(std::string label) { label_ = std::move(label); }
    void Finish();

    // The progress callback and copy-progress callback of the contract, with a ProgressBar as the
    // context: they draw and answer the cancel code once Ctrl-C was pressed.
    static int32_t OnScanProgress(void* context, int32_t units, int32_t scale, int32_t secondsLeft,
                                  uint64_t sectorsDone, uint64_t sectorsTotal,
                                  uint64_t filesFound, int32_t reserved);

    bool Enabled() const { return enabled_; }

private:
    void Draw(int percent, const std::string& tail);

    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// Percent shown for units and scale, clamped to 0..100 (some engines report elapsed-time units
// that pass 100).
int ClampedPercent(int32_t units, int32_t scale);

}  // namespace keldrin::cli
