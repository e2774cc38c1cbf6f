#include "cli/Progress.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "cli/Format.h"
#include "platform/Errors.h"

namespace keldrin::cli {
namespace {

volatile std::sig_atomic_t gCancel = 0;

void OnInterrupt(int) {
    gCancel = 1;
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

void InstallCancelHandler() { std::signal(SIGINT, OnInterrupt); }
bool CancelRequested() { return gCancel != 0; }

int ClampedPercent(int32_t units, int32_t scale) {
    int64_t percent = int64_t(units) * int64_t(scale) / 100;
    if (percent < 0) return 0;
    if (percent > 100) return 100;
    return int(percent);
}

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)),
      enabled_(::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Finish() {
    if (drawn_) std::fputs("\n", stderr);
    drawn_ = false;
}

void ProgressBar::Update(int32_t units, int32_t scale, int32_t secondsLeft, uint64_t filesFound) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    int percent = ClampedPercent(units, scale);
    if (drawn_ && percent < 100 && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    int64_t rawPercent = int64_t(units) * int64_t(scale) / 100;
    std::string tail;
    if (secondsLeft >= 0 && rawPercent < 100) {
        tail = DurationText(secondsLeft) + " left";
    } else {
        auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start_).count();
        tail = DurationText(elapsed) + " elapsed";
    }
    if (filesFound > 0) tail += ", " + std::to_string(filesFound) + " files";
    Draw(percent, tail);
}

void ProgressBar::Draw(int percent, const std::string& tail) {
    constexpr int kWidth = 30;
    int filled = percent * kWidth / 100;
    std::string bar(size_t(filled), '#');
    bar.append(size_t(kWidth - filled), '-');
    std::fprintf(stderr, "\r%s [%s] %3d%%  %s\033[K", label_.c_str(), bar.c_str(), percent,
                 tail.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

int32_t ProgressBar::OnScanProgress(void* context, int32_t units, int32_t scale,
                                    int32_t secondsLeft, uint64_t, uint64_t, uint64_t filesFound,
                                    int32_t) {
    if (CancelRequested()) return kCancelCode;
    static_cast<ProgressBar*>(context)->Update(units, scale, secondsLeft, filesFound);
    return 0;
}

}  // namespace keldrin::cli
