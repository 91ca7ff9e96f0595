#pragma once
// Sets an environment variable for the length of a test and puts back what it was.
#include <cstdlib>
#include <optional>
#include <string>

class EnvVar {
  public:
    explicit EnvVar(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v;
    }
    ~EnvVar() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }
    void Set(const std::string& value) { setenv(name_, value.c_str(), 1); }
    void Unset() { unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};
