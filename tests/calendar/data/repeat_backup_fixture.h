#pragma once
// The repeat and backup tests build on the engine's store fixture (a real store in a temporary file,
// Europe/Berlin, a settable clock, scripted questions) and add readable dates of whole series.
#include "store_fixture.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zc::rbtest {

inline void fixTimeZone(const char* zone) { test::setTimeZone(zone); }

class TableTest : public test::StoreTest {
  public:
    using StoreTest::clock;
    using StoreTest::dir;
    using StoreTest::questions;
    using StoreTest::restart;
    using StoreTest::table;

    // The dates of every entry with the given text, in time order, as "YYYY-MM-DD HH:MM".
    std::vector<std::string> datesOf(const std::string& text) {
        table->sortByTime();
        std::vector<std::string> out;
        table->forEach([&](const Appointment& a) {
            if (a.stored.notes == text) out.push_back(format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute));
        });
        return out;
    }

    // Every entry as "text@YYYY-MM-DD HH:MM", in time order.
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        table->sortByTime();
        table->forEach([&](const Appointment& a) {
            out.push_back(a.stored.notes + "@" + format(a.stored.year, a.stored.month, a.stored.day, a.stored.hour, a.stored.minute));
        });
        return out;
    }

    static std::string format(int y, int m, int d, int h, int min) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", y, m, d, h, min);
        return buf;
    }
};

} // namespace zc::rbtest
