// Feeds arbitrary bytes to the iCalendar import, merging them into a small table on an in-memory
// store, so damaged or hostile calendar files are checked for crashes, hangs and undefined
// behaviour. Whatever was imported must then export to a file whose import finds nothing new.
#include "data/ical_exchange.h"
#include "fuzz_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zc::fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zc::fuzz::FuzzTable fuzz;
    zc::AppointmentTable& table = fuzz.table;
    const zc::IcsImportResult result =
        zc::importIcsText(table, std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.ics");
    const zc::IcsImportCounts& c = result.counts;
    if (c.added < 0 || c.modified < 0 || c.skipped < 0 || c.duplicates() < 0) std::abort();
    if (!result.ok && (c.read != 0 || table.size() != 3)) std::abort();

    static const std::string out = "/tmp/zorvel-ical-fuzz-" + std::to_string(::getpid()) + ".ics";
    const zc::IcsExportResult exported = zc::exportIcs(table, out);
    if (!exported.ok || exported.events != static_cast<int>(table.size())) std::abort();
    const zc::IcsImportResult again = zc::importIcs(table, out);
    if (!again.ok || again.counts.added != 0 || again.counts.modified != 0 || again.counts.skipped != 0) std::abort();
    std::remove(out.c_str());
    return 0;
}
