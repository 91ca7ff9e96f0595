#pragma once
// A change the user makes is either stored or reported: nothing is claimed as saved that was not.
#include "data/services.h"

#include <cstdint>

namespace zc {

// Watches the store across one change the user makes. When a write of the change failed, saved()
// tells the user once, in the store's own words, and returns false.
class SaveWatch {
  public:
    SaveWatch();
    bool saved(Questions& questions) const;

  private:
    std::uint64_t before_;
};

} // namespace zc
