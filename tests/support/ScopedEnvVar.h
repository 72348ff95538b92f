#pragma once
// Sets an environment variable for the lifetime of the object, then restores it.
#include <optional>
#include <string>

class ScopedEnvVar {
  public:
    ScopedEnvVar(std::string name, const std::string& value);
    ~ScopedEnvVar();
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};
