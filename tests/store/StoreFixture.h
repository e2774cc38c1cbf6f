// A fresh per-user data folder for every test, and a fresh process-wide catalogue on it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "TempDir.h"
#include "engine/ScanEntry.h"
#include "engine/ScanLogCatalogue.h"
#include "platform/AppPaths.h"
#include "platform/Text.h"

namespace keldrin::test {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_DATA_HOME");
        if (old) savedDataHome_ = old, hadDataHome_ = true;
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        ScanLogCatalogue::ResetForTesting();
    }
    void TearDown() override {
        ScanLogCatalogue::ResetForTesting();
        if (hadDataHome_) {
            setenv("XDG_DATA_HOME", savedDataHome_.c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
    }

    ScanLogCatalogue& Cat() {
        ScanLogCatalogue* catalogue = ScanLogCatalogue::GetCatalogue();
        EXPECT_NE(catalogue, nullptr) << ScanLogCatalogue::FailureMessage();
        return *catalogue;
    }

    TempDir home_;

private:
    std::string savedDataHome_;
    bool hadDataHome_ = false;
};

inline ScanEntry MakeEntry(uint32_t id, const std::string& name, bool folder = false,
                           uint32_t firstCluster = 0, uint32_t contentOk = 1) {
    ScanEntry entry{};
    entry.id = id;
    entry.isFolder = folder ? 1 : 0;
    entry.contentOk = contentOk;
    entry.firstCluster = firstCluster;
    entry.size = folder ? 0 : 1000 + id;
    CopyToField(entry.name, sizeof(entry.name), name);
    return entry;
}

inline std::string NameOf(const ScanEntry& entry) {
    return std::string(entry.name, strnlen(entry.name, sizeof(entry.name)));
}

template <typename Container>
std::vector<std::string> NamesOf(const Container& entries) {
    std::vector<std::string> names;
    for (const ScanEntry& entry : entries) names.push_back(NameOf(entry));
    return names;
}

}  // namespace keldrin::test
