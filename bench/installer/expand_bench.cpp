// Speed of copying with expansion. At start the program makes a text-like and a random file of
// 16 MiB in a temporary directory and compresses both with the "mscompress" tool; it then times
// the installer's copy against libmspack's decoder of the same format on the same files, and the
// copy of an uncompressed file against a plain file copy. Throughput is of expanded bytes.
#include "core/kz_expand.h"
#include "core/kz_files.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef KZ_HAVE_MSPACK
#include <mspack.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::size_t FileSize = 16u << 20;
fs::path WorkDir;

fs::path Input(const std::string& kind) {
    return WorkDir / (kind + ".bin");
}
fs::path Compressed(const std::string& kind) {
    return WorkDir / (kind + ".bin_");
}
fs::path Output() {
    return WorkDir / "out.bin";
}

std::vector<char> MakeText() {
    static const char* const words[] = {"install", "the",   "directory", "program", "group",  "file",
                                        "copy",    "disk",  "next",      "window",  "script", "and",
                                        "setup",   "press", "continue",  "of",      "to",     "a"};
    std::mt19937 random(1);
    std::vector<char> text;
    text.reserve(FileSize);
    while (text.size() < FileSize) {
        const std::string word = words[random() % std::size(words)];
        text.insert(text.end(), word.begin(), word.end());
        text.push_back(random() % 9 == 0 ? '\n' : ' ');
    }
    text.resize(FileSize);
    return text;
}

std::vector<char> MakeRandom() {
    std::mt19937_64 random(2);
    std::vector<char> data(FileSize);
    for (std::size_t i = 0; i < FileSize; i += 8) {
        const std::uint64_t value = random();
        for (int k = 0; k < 8; ++k)
            data[i + k] = static_cast<char>(value >> (8 * k));
    }
    return data;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Prepare() {
    char pattern[] = "/tmp/kz-expand-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return false;
    WorkDir = pattern;
    for (const auto& [kind, data] : {std::pair{"text", MakeText()}, std::pair{"random", MakeRandom()}}) {
        std::ofstream(Input(kind), std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
        const std::string command = "mscompress '" + Input(kind).string() + "'";
        if (std::system(command.c_str()) != 0 || !fs::exists(Compressed(kind))) {
            std::cerr << "expand_bench: \"" << command << "\" failed; the mscompress package is needed\n";
            return false;
        }
        // Figures of a wrong expansion would mean nothing, so the result is checked once.
        if (CopyExpandFile(Compressed(kind).string(), Output().string()).status != 0 ||
            ReadAll(Output()) != std::vector<std::uint8_t>(data.begin(), data.end())) {
            std::cerr << "expand_bench: the " << kind << " file does not expand to its original\n";
            return false;
        }
    }
    return true;
}

void Count(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileSize));
}

void BM_CopyExpandFile(benchmark::State& state, const std::string& kind) {
    const std::string source = Compressed(kind).string(), destination = Output().string();
    for (auto _ : state)
        if (CopyExpandFile(source, destination).status != 0) state.SkipWithError("copy failed");
    Count(state);
}

void BM_ExpandMemory(benchmark::State& state, const std::string& kind) {
    const std::vector<std::uint8_t> input = ReadAll(Compressed(kind));
    std::vector<std::uint8_t> out;
    out.reserve(FileSize);
    for (auto _ : state) {
        if (KzExpandMemory(input.data(), input.size(), out) != KzExpandStatus::Ok)
            state.SkipWithError("expansion failed");
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

#ifdef KZ_HAVE_MSPACK
void BM_LibmspackFile(benchmark::State& state, const std::string& kind) {
    msszdd_decompressor* decompressor = mspack_create_szdd_decompressor(nullptr);
    const std::string source = Compressed(kind).string(), destination = Output().string();
    for (auto _ : state)
        if (decompressor->decompress(decompressor, source.c_str(), destination.c_str()) != MSPACK_ERR_OK)
            state.SkipWithError("libmspack failed");
    mspack_destroy_szdd_decompressor(decompressor);
    Count(state);
}
#endif

void BM_CopyPlainFile(benchmark::State& state) {
    const std::string source = Input("text").string(), destination = Output().string();
    for (auto _ : state)
        if (CopyExpandFile(source, destination).status != 0) state.SkipWithError("copy failed");
    Count(state);
}

void BM_PlainFileCopy(benchmark::State& state) {
    for (auto _ : state)
        fs::copy_file(Input("text"), Output(), fs::copy_options::overwrite_existing);
    Count(state);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!Prepare()) return 1;
    for (const std::string kind : {"text", "random"}) {
        benchmark::RegisterBenchmark(("CopyExpandFile/" + kind).c_str(), BM_CopyExpandFile, kind)
            ->UseRealTime();
#ifdef KZ_HAVE_MSPACK
        benchmark::RegisterBenchmark(("LibmspackFile/" + kind).c_str(), BM_LibmspackFile, kind)
            ->UseRealTime();
#endif
        benchmark::RegisterBenchmark(("ExpandMemory/" + kind).c_str(), BM_ExpandMemory, kind)->UseRealTime();
    }
    benchmark::RegisterBenchmark("CopyPlainFile", BM_CopyPlainFile)->UseRealTime();
    benchmark::RegisterBenchmark("PlainFileCopy", BM_PlainFileCopy)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(WorkDir);
    return 0;
}
