// Settings tests keep the user's real configuration out of reach: XDG_CONFIG_HOME and HOME
// point into a scratch folder for the test's duration.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kvd::test {

// Sets (or, given none, unsets) an environment variable until the end of the scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// XDG_CONFIG_HOME at root/config and HOME at root/home.
class ScopedConfigHome {
  public:
    explicit ScopedConfigHome(const std::filesystem::path& root)
        : config_(root / "config"),
          home_(root / "home"),
          xdg_("XDG_CONFIG_HOME", config_.string()),
          homeVariable_("HOME", home_.string()) {}

    const std::filesystem::path& config() const { return config_; }
    const std::filesystem::path& home() const { return home_; }
    // Where the settings are kept under this configuration folder.
    std::filesystem::path file() const { return config_ / "kvd2730" / "KVD2730.ini"; }
    ScopedEnvironment& xdg() { return xdg_; }

  private:
    std::filesystem::path config_;
    std::filesystem::path home_;
    ScopedEnvironment xdg_;
    ScopedEnvironment homeVariable_;
};

}  // namespace kvd::test
