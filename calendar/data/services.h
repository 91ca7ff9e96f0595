#pragma once
// The seams between the toolkit-free engine and the program around it. The application implements
// them with the toolkit (wxTimer, message boxes); tests implement them with fakes.
#include <cstdint>
#include <ctime>
#include <string>

namespace zc {

// "Now", as seconds since 1970.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t now() const = 0;
};

class SystemClock final : public Clock {
  public:
    std::int64_t now() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

// One-shot reminder timers of the main window, each known by its identifier.
class ReminderTimers {
  public:
    virtual ~ReminderTimers() = default;
    virtual void startOneShot(unsigned id, std::int64_t delayMilliseconds) = 0;
    // Stopping a timer that has fired already, or was never started, does nothing.
    virtual void stop(unsigned id) = 0;
};

// Questions and messages shown to the user.
class Questions {
  public:
    virtual ~Questions() = default;
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // A question with the buttons OK and Cancel; true for OK. Implementations without such a box
    // ask it as Yes/No.
    virtual bool askOkCancel(const std::string& text, const std::string& caption) { return askYesNo(text, caption); }
};

// Stand-ins for an engine used without a user interface: no timers, every question answered No.
class NoTimers final : public ReminderTimers {
  public:
    void startOneShot(unsigned, std::int64_t) override {}
    void stop(unsigned) override {}
};

class SilentQuestions final : public Questions {
  public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
};

} // namespace zc
