#pragma once
// The headless station's status lines, recorded from whichever threads report them.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class StatusLines {
  public:
    std::function<void(const std::string&)> Sink() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> guard(lock_);
            lines_.push_back(line);
        };
    }
    // Lines that start with `prefix` and hold `key`.
    int Count(const std::string& prefix, const std::string& key = "") const {
        std::lock_guard<std::mutex> guard(lock_);
        int n = 0;
        for (const std::string& line : lines_) {
            n += line.rfind(prefix, 0) == 0 && line.find(key) != std::string::npos ? 1 : 0;
        }
        return n;
    }
    std::vector<std::string> All() const {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }

  private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};
