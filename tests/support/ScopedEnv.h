// Sets (or unsets) an environment variable for the life of the object and restores the earlier
// value afterwards. The environment is process-wide: not thread-safe.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace keldrin::test {

class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name.c_str())) saved_ = old;
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    ~ScopedEnv() {
        if (saved_) {
            setenv(name_.c_str(), saved_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace keldrin::test
