// Day planner speed with a full table: opening a planner and painting it, and typing an entry and
// pressing Tab until the entry is in the store (each write is committed to disk at once).
// Needs an X server: xvfb-run -a build/bench/calendar/planner_bench
#include "bench_store.h"

#include "app/main_frame.h"
#include "planner/appoint_book2.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/init.h>

namespace zc::bench {
namespace {

class BenchApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A main frame whose table holds 100,000 appointments, one in every slot of the days from
// 1 January 2000 on, except the planner's day, which has a full day of its own.
struct FullCalendar {
    BenchStore store{"planner", 2015, 8, 12, 10, 0};
    CMainFrame* frame = new CMainFrame(store.clock);

    FullCalendar() {
        AppointmentTable& table = frame->table();
        int made = 0;
        for (int day = 0; made < 100000; ++day) {
            const LocalDate date = toLocal(localTime(2000, 1, 1 + day, 12, 0));
            for (int slot = 0; slot < 36 && made < 100000; ++slot, ++made) {
                Appointment& a = table.construct();
                a.setWhen(date.year, date.month, date.day, 6 + slot / 2, slot % 2 * 30, -1,
                          "Appointment number " + std::to_string(made));
                a.schedule(false);
            }
        }
    }
    ~FullCalendar() {
        // The frame's table goes before the store it writes to.
        delete frame;
    }
};

// Made on first use and gone before the toolkit is cleaned up.
std::unique_ptr<FullCalendar>& theCalendar() {
    static std::unique_ptr<FullCalendar> c;
    return c;
}
FullCalendar& calendar() {
    if (!theCalendar()) theCalendar() = std::make_unique<FullCalendar>();
    return *theCalendar();
}

void BM_OpenAndPaintPlanner(benchmark::State& state) {
    calendar();
    for (auto _ : state) {
        AppointBook2* planner = openDayPlanner(calendar().frame->context(), 2005, 6, 15);
        // The real paint routine on the window's own device context.
        wxClientDC dc(planner->editor()->GetParent());
        planner->drawDay(dc, false);
        state.PauseTiming();
        delete planner;
        wxTheApp->ProcessIdle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndPaintPlanner)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TypeAndTab(benchmark::State& state) {
    calendar();
    // Each round types into the next empty slot of days that have no entries yet; after twenty
    // slots the planner steps to the next day. The days stay well inside the years a time can
    // hold, so every round stores a new entry.
    static int days = 0;
    const LocalDate start = toLocal(localTime(2030, 1, 1 + days, 12, 0));
    AppointBook2* planner = openDayPlanner(calendar().frame->context(), start.year, start.month, start.day);
    const std::size_t before = calendar().frame->table().size();
    int slot = 0;
    for (auto _ : state) {
        planner->editor()->SetValue("Meeting with the team");
        wxKeyEvent tab(wxEVT_KEY_DOWN);
        tab.m_keyCode = WXK_TAB;
        planner->editor()->ProcessWindowEvent(tab);
        state.PauseTiming();
        if (++slot == 20) {
            slot = 0;
            planner->stepDay(1);
            planner->beginEditing(0, true);
            ++days;
            wxTheApp->ProcessIdle();
        }
        state.ResumeTiming();
    }
    state.counters["stored"] = static_cast<double>(calendar().frame->table().size() - before);
    ++days;
    delete planner;
}
BENCHMARK(BM_TypeAndTab)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace zc::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    wxApp::SetInstance(new zc::bench::BenchApp);
    if (!wxEntryStart(argc, argv)) return 2;
    wxTheApp->CallOnInit();
    benchmark::RunSpecifiedBenchmarks();
    zc::bench::theCalendar().reset();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
