// Scan logs and preview files of every test in this executable go to a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "TempDir.h"

namespace {

class ScanLogHome : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<keldrin::test::TempDir>();
        setenv("XDG_DATA_HOME", dir_->path().c_str(), 1);
    }
    void TearDown() override { dir_.reset(); }

private:
    std::unique_ptr<keldrin::test::TempDir> dir_;
};

[[maybe_unused]] ::testing::Environment* const kScanLogHome =
    ::testing::AddGlobalTestEnvironment(new ScanLogHome);

}  // namespace
