#pragma once
// One calendar per store file: a lock file beside the store tells a second start that a first one
// runs, and a local socket lets the second ask the first to come forward before it ends.
#include <functional>
#include <memory>
#include <string>

class wxSingleInstanceChecker;
class wxServerBase;

namespace zc {

class InstanceGuard {
  public:
    explicit InstanceGuard(const std::string& storePath);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    bool isAnotherRunning() const;
    // Second start: asks the running program to bring its window forward; true when it answered.
    bool bringRunningForward();
    // First start: answers later starts, calling onRaise (from the event loop) for each.
    bool serve(std::function<void()> onRaise);

    // The local socket of the program that uses the store file.
    static std::string socketPath(const std::string& storePath);

  private:
    std::string storePath_;
    std::unique_ptr<wxSingleInstanceChecker> checker_;
    std::unique_ptr<wxServerBase> server_;
};

} // namespace zc
