#pragma once
// The tray tip's tests, on the logic side and the window side: a real table on a temporary store,
// on Wednesday, 12 August 2015, 10:00.
#include "data/tray_tip.h"

#include "store_fixture.h"

#include <string>

namespace zc::test {

class TrayTipTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        clock.t = localTime(2015, 8, 12, 10, 0);
    }
    std::string tip() { return trayTip(*table, static_cast<Time32>(clock.t)); }
};

} // namespace zc::test
