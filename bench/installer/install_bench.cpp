// What the installation record costs. At start the program lays out the calendar's installation
// disk in a temporary folder as scripts/make-install-disk.sh does (the built calendar when there
// is one, else a program file of the same order of size; the sounds and the README compressed with
// "mscompress"); it then installs it with the example script, unattended, into a fresh folder per
// iteration, once without and once with the record. Compare the medians of the two:
//
//     build/bench/installer/install_bench --benchmark_repetitions=21
//         --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
//
// The machine is often shared: the CPU time column varies less than the wall time.
#include "core/kz_console_window.h"
#include "core/kz_script.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

namespace fs = std::filesystem;

namespace {

fs::path WorkDir;

fs::path Disk() {
    return WorkDir / "disk";
}

bool Prepare() {
    char pattern[] = "/tmp/kz-install-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return false;
    WorkDir = pattern;
    fs::create_directories(Disk());
    const fs::path resources = fs::path(KZ_SOURCE_DIR) / "calendar" / "resources";
    fs::copy_file(fs::path(KZ_SOURCE_DIR) / "examples" / "calendar-disk" / "install.script", Disk() / "install.script");
    fs::copy_file(resources / "icons" / "zorvelcal-48.png", Disk() / "zorvelcal.png");
    const fs::path calendar = fs::path(KZ_BUILD_DIR) / "calendar" / "zorvelcal";
    if (fs::exists(calendar)) {
        fs::copy_file(calendar, Disk() / "zorvelcal");
    } else {
        std::vector<char> program(12u << 20);
        std::mt19937 random(3);
        for (char& c : program)
            c = static_cast<char>(random() % 64);
        std::copy_n("\x7f" "ELF", 4, program.begin());
        std::ofstream(Disk() / "zorvelcal", std::ios::binary).write(program.data(), static_cast<std::streamsize>(program.size()));
    }
    for (const auto& [from, name] : {std::pair{resources / "sounds" / "Start.wav", "Start.wav"},
                                     std::pair{resources / "sounds" / "Notify.wav", "Notify.wav"},
                                     std::pair{resources / "sounds" / "Pick.wav", "Pick.wav"},
                                     std::pair{fs::path(KZ_SOURCE_DIR) / "README.md", "README.txt"}}) {
        fs::copy_file(from, WorkDir / name);
        const std::string command = "mscompress '" + (WorkDir / name).string() + "' >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::cerr << "install_bench: \"" << command << "\" failed; the mscompress package is needed\n";
            return false;
        }
        fs::rename(WorkDir / (std::string(name) + "_"), Disk() / (std::string(name) + "_"));
    }
    setenv("XDG_DATA_HOME", (WorkDir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (WorkDir / "config").c_str(), 1);
    return true;
}

void BM_InstallExampleDisk(benchmark::State& state, bool record) {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* folder : {"target", "data", "config"})
            fs::remove_all(WorkDir / folder);
        fs::create_directories(WorkDir / "data");
        fs::create_directories(WorkDir / "config");
        TKzScript script;
        TKzConsoleWindow window(script, quiet);
        script.BindControls(&window);
        script.SourceDir = Disk().string() + "/";
        script.InstallDirOverride = (WorkDir / "target").string();
        TKzRecorder recorder;
        if (record) {
            recorder.ProductName = [&script] { return script.ProductName(); };
            script.Recorder = &recorder;
        }
        std::string error;
        if (script.LoadScript((Disk() / "install.script").string(), error) != 0) state.SkipWithError(error.c_str());
        state.ResumeTiming();
        if (script.Run() != KzStatusEndCommand) state.SkipWithError("the installation did not complete");
        recorder.Finish();
    }
    std::fclose(quiet);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!Prepare()) return 1;
    benchmark::RegisterBenchmark("InstallExampleDisk/without_record", BM_InstallExampleDisk, false)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("InstallExampleDisk/with_record", BM_InstallExampleDisk, true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(WorkDir);
    return 0;
}
