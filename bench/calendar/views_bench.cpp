// Painting the week and year views with 100,000 appointments in the table (eight a day from 2000
// on), through their one drawing routine onto a bitmap the size of the window. Needs a display:
//   xvfb-run -a build/bench/calendar/views_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "bench_store.h"

#include "ui/command_ids.h"
#include "app/main_frame.h"
#include "app/view_year.h"
#include "planner/view_week.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/init.h>

#include <memory>

namespace {

using namespace zc;

class BenchApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

struct Views {
    bench::BenchStore store{"views-bench", 2015, 8, 12, 10, 0};
    CMainFrame* frame = nullptr;

    Views() {
        frame = new CMainFrame(store.clock);
        AppointmentTable& table = frame->table();
        for (int i = 0; i < 100000; ++i) {
            const LocalDate d = toLocal(localTime(2000, 1, 1 + i / 8, 12, 0));
            Appointment& a = table.construct();
            a.setWhen(d.year, d.month, d.day, 8 + i % 8, 30, -1, "Meeting number " + std::to_string(i));
            a.schedule(false);
        }
    }
    ~Views() { delete frame; }
};

// Made on first use and removed before the toolkit shuts down.
std::unique_ptr<Views> theViews;
Views& views() {
    if (!theViews) theViews = std::make_unique<Views>();
    return *theViews;
}

template <typename Draw> void paintLoop(benchmark::State& state, wxWindow* canvas, Draw draw) {
    const wxSize size = canvas->GetClientSize();
    wxBitmap bitmap(size.x, size.y, 24);
    wxMemoryDC dc(bitmap);
    for (auto _ : state)
        draw(dc);
}

void BM_PaintWeek(benchmark::State& state) {
    views();
    ViewWeek::open(views().frame->context(), 2015, 8, 12);
    ViewWeek& week = *ViewWeek::instance();
    paintLoop(state, week.canvas(), [&week](wxDC& dc) { week.drawWeek(dc, 0); });
    state.counters["lines"] = week.lineCount();
}
BENCHMARK(BM_PaintWeek)->Unit(benchmark::kMillisecond);

void BM_PaintYear(benchmark::State& state) {
    views();
    views().frame->runCommand(cmd::kThisYear);
    ViewYear& year = *ViewYear::instance();
    paintLoop(state, year.canvas(), [&year](wxDC& dc) { year.drawYear(dc, false); });
}
BENCHMARK(BM_PaintYear)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv)) return 2;
    wxTheApp->CallOnInit();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theViews.reset();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
