// Feeds arbitrary bytes to the restore as a backup file, merging them into a small table on an
// in-memory store, so damaged or hostile backup files are checked for crashes, hangs and undefined
// behaviour.
#include "data/backup.h"
#include "fuzz_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& inputPath() {
    static const std::string path = "/tmp/zorvel-restore-fuzz-" + std::to_string(::getpid()) + ".zvl";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zc::fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::FILE* f = std::fopen(inputPath().c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    {
        zc::fuzz::FuzzTable fuzz;
        zc::AppointmentTable& table = fuzz.table;
        const zc::RestoreCounts counts = zc::restore(table, inputPath());
        if (counts.added < 0 || counts.modified < 0 || counts.duplicates() < 0) std::abort();
        // Whatever was merged must be written as a backup that reads back whole: restoring it
        // into the same table finds nothing but duplicates.
        const std::string out = inputPath() + ".out";
        std::remove(out.c_str());
        const int written = zc::backup(table, out);
        const zc::RestoreCounts again = zc::restore(table, out);
        if (again.read != written || again.added != 0 || again.modified != 0) std::abort();
        std::remove(out.c_str());
    }
    return 0;
}
