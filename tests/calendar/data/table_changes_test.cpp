#include "store_fixture.h"

namespace zc::test {
namespace {

class TableChangesTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        listener = table->addChangeListener([this] { ++told; });
    }
    int told = 0;
    int listener = 0;
};

TEST_F(TableChangesTest, ListenersHearEveryKindOfChangeAndLoadingOnce) {
    struct Row {
        const char* what;
        std::function<void(AppointmentTable&)> change;
    };
    const Row rows[] = {
        {"entered", [](AppointmentTable& t) { t.construct(); }},
        {"saved", [](AppointmentTable& t) { t.firstLaterThan(0)->save(); }},
        {"rescheduled", [](AppointmentTable& t) { t.firstLaterThan(0)->schedule(false); }},
        {"new notes", [](AppointmentTable& t) { t.firstLaterThan(0)->changeNotes("Other"); }},
        {"removed", [](AppointmentTable& t) { t.remove(*t.firstLaterThan(0), false); }},
    };
    for (const Row& row : rows) {
        if (table->size() == 0) add(2024, 3, 20, 9, 0, "Dentist");
        told = 0;
        row.change(*table);
        EXPECT_GE(told, 1) << row.what;
    }

    add(2024, 3, 21, 9, 0, "One");
    add(2024, 3, 22, 9, 0, "Two");
    table->removeChangeListener(listener);
    restart();
    told = 0;
    table->addChangeListener([this] { ++told; });
    table->loadAll();
    EXPECT_EQ(told, 1);
}

TEST_F(TableChangesTest, TheEarliestLaterEntryIsFoundWithoutReorderingTheSlots) {
    const Appointment& last = add(2024, 3, 25, 9, 0, "Later");
    add(2024, 3, 14, 9, 0, "Past");
    add(2024, 3, 16, 8, 0, "Next");
    add(2024, 3, 20, 8, 0, "Between");
    add(2024, 3, 16, 8, 0, "Same time, later slot");
    std::vector<std::string> before;
    table->forEach([&](const Appointment& a) { before.push_back(a.stored.notes); });

    const Appointment* next = table->earliestAfter(static_cast<Time32>(clock.t));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->stored.notes, "Next");
    EXPECT_EQ(table->earliestAfter(last.time), nullptr);

    std::vector<std::string> after;
    table->forEach([&](const Appointment& a) { after.push_back(a.stored.notes); });
    EXPECT_EQ(after, before);
}

} // namespace
} // namespace zc::test
