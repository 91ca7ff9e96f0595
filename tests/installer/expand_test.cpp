// The compressed-file reader against files made by an independent compressor, and against damaged
// input, which must be reported instead of being passed on as a short or garbled file.
#include "core/kz_expand.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadData(const std::string& name) {
    std::ifstream file(std::string(KZ_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.good()) << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct ExpandCase {
    const char* compressed;
    const char* original; // nullptr: the expanded file is empty
    const char* what;
};

class ExpandKnownFiles : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandKnownFiles, GivesTheOriginalByteForByte) {
    const ExpandCase& row = GetParam();
    const std::vector<std::uint8_t> input = ReadData(row.compressed);
    const std::vector<std::uint8_t> expected =
        row.original ? ReadData(row.original) : std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> out;
    ASSERT_EQ(KzExpandMemory(input.data(), input.size(), out), KzExpandStatus::Ok) << row.what;
    EXPECT_EQ(out, expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExpandKnownFiles,
    ::testing::Values(ExpandCase{"expand_text.txt_", "expand_text.txt", "text over 4 KiB: the window wraps"},
                      ExpandCase{"expand_zeros.bin_", "expand_zeros.bin", "zeros: the first match overlaps"},
                      ExpandCase{"expand_random.bin_", "expand_random.bin", "random bytes: literals only"},
                      ExpandCase{"expand_short.txt_", "expand_short.txt", "sixteen bytes"},
                      ExpandCase{"expand_blanks.txt_", "expand_blanks.txt",
                                 "matches into the initial blanks"},
                      ExpandCase{"expand_header_only.bin_", nullptr, "header only: empty file"},
                      ExpandCase{"files_plain.txt", "files_plain.txt", "no signature: copied unchanged"}));

// Reading the input a few bytes at a time must give the same result as reading it whole, since
// item groups then straddle the reader's buffer refills.
TEST(ExpandStream, SmallReadsGiveTheSameResult) {
    for (const char* name : {"expand_text.txt_", "expand_zeros.bin_", "files_plain.txt"}) {
        const std::vector<std::uint8_t> input = ReadData(name);
        std::vector<std::uint8_t> whole, pieces;
        ASSERT_EQ(KzExpandMemory(input.data(), input.size(), whole), KzExpandStatus::Ok);
        std::size_t offset = 0;
        bool compressed = false;
        const KzExpandStatus status = KzExpandStream(
            [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
                const std::size_t n = std::min<std::size_t>({size, 5, input.size() - offset});
                std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), n, buffer);
                offset += n;
                return static_cast<std::ptrdiff_t>(n);
            },
            [&](const std::uint8_t* data, std::size_t size) {
                pieces.insert(pieces.end(), data, data + size);
                return true;
            },
            &compressed);
        ASSERT_EQ(status, KzExpandStatus::Ok) << name;
        EXPECT_EQ(pieces, whole) << name;
        EXPECT_EQ(compressed, std::string(name).back() == '_') << name;
    }
}

struct DamageCase {
    const char* what;
    std::size_t keep;    // bytes of the compressed text file kept (0: all)
    int modeByte;        // replaces byte 8 when not negative
    long lengthIncrease; // added to the header's length
    KzExpandStatus expected;
};

class ExpandDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ExpandDamaged, IsReportedNotPassedOn) {
    const DamageCase& row = GetParam();
    std::vector<std::uint8_t> input = ReadData("expand_text.txt_");
    if (row.keep) input.resize(row.keep);
    if (row.modeByte >= 0) input[8] = static_cast<std::uint8_t>(row.modeByte);
    if (row.lengthIncrease) {
        const std::uint32_t length = (input[10] | input[11] << 8 | input[12] << 16 | input[13] << 24) +
                                     static_cast<std::uint32_t>(row.lengthIncrease);
        for (int i = 0; i < 4; ++i)
            input[10 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    std::vector<std::uint8_t> out;
    EXPECT_EQ(KzExpandMemory(input.data(), input.size(), out), row.expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandDamaged,
    ::testing::Values(DamageCase{"data cut in half", 1200, -1, 0, KzExpandStatus::Truncated},
                      DamageCase{"data cut inside a match", 15 + 2, -1, 0, KzExpandStatus::Truncated},
                      DamageCase{"header cut short", 12, -1, 0, KzExpandStatus::BadHeader},
                      DamageCase{"signature only", 8, -1, 0, KzExpandStatus::BadHeader},
                      DamageCase{"mode byte 'B'", 0, 'B', 0, KzExpandStatus::BadHeader},
                      DamageCase{"length beyond the data", 0, -1, 1, KzExpandStatus::Truncated},
                      DamageCase{"length far beyond the data", 0, -1, 1 << 30, KzExpandStatus::Truncated}));

TEST(ExpandStream, StopsAtTheLengthOfTheHeader) {
    // Bytes after the promised length are not part of the file: a compressor may pad the last group.
    std::vector<std::uint8_t> input = ReadData("expand_text.txt_");
    input[10] = 100;
    input[11] = input[12] = input[13] = 0;
    std::vector<std::uint8_t> out;
    ASSERT_EQ(KzExpandMemory(input.data(), input.size(), out), KzExpandStatus::Ok);
    const std::vector<std::uint8_t> original = ReadData("expand_text.txt");
    EXPECT_EQ(out, std::vector<std::uint8_t>(original.begin(), original.begin() + 100));
}

TEST(ExpandStream, ReadAndWriteFailuresAreReported) {
    const std::vector<std::uint8_t> input = ReadData("expand_text.txt_");
    std::size_t offset = 0;
    auto read = [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
        if (offset >= 20) return -1;
        const std::size_t n = std::min<std::size_t>(size, 20 - offset);
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), n, buffer);
        offset += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    EXPECT_EQ(KzExpandStream(read, [](const std::uint8_t*, std::size_t) { return true; }),
              KzExpandStatus::ReadFailed);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(KzExpandStream(
                  [&, done = false](std::uint8_t* buffer, std::size_t size) mutable -> std::ptrdiff_t {
                      if (done) return 0;
                      done = true;
                      const std::size_t n = std::min(size, input.size());
                      std::copy_n(input.begin(), n, buffer);
                      return static_cast<std::ptrdiff_t>(n);
                  },
                  [](const std::uint8_t*, std::size_t) { return false; }),
              KzExpandStatus::WriteFailed);
}

} // namespace
