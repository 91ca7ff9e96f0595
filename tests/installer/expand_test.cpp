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

// A small compressor of the format, independent of the reader: it looks for a match at a few
// distances only, which is enough to put matches everywhere, also across the reader's buffers.
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 'A', 0};
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
    std::size_t i = 0, flagAt = 0;
    int item = 8;
    while (i < data.size()) {
        if (item == 8) {
            flagAt = out.size();
            out.push_back(0);
            item = 0;
        }
        std::size_t bestLength = 0, bestDistance = 0;
        for (std::size_t distance : {1u, 3u, 64u, 1000u, 4095u}) {
            if (distance > i) continue;
            std::size_t length = 0;
            while (length < 18 && i + length < data.size() && data[i + length] == data[i + length - distance])
                ++length;
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
            }
        }
        if (bestLength >= 3) {
            const std::size_t position = (4080 + i - bestDistance) & 0xFFF;
            out.push_back(static_cast<std::uint8_t>(position & 0xFF));
            out.push_back(static_cast<std::uint8_t>(((position >> 4) & 0xF0) | (bestLength - 3)));
            i += bestLength;
        } else {
            out[flagAt] |= static_cast<std::uint8_t>(1u << item);
            out.push_back(data[i++]);
        }
        ++item;
    }
    return out;
}

TEST(ExpandStream, LargeFilesCrossEveryBufferBoundary) {
    // Several times the size of the reader's buffers, with runs, repeats and noise.
    std::vector<std::uint8_t> original;
    std::uint32_t seed = 12345;
    while (original.size() < (3u << 20)) {
        seed = seed * 1103515245u + 12345u;
        const unsigned kind = (seed >> 16) % 4;
        const std::size_t count = 1 + (seed >> 8) % 300;
        for (std::size_t k = 0; k < count; ++k) {
            if (kind == 0)
                original.push_back(0);
            else if (kind == 1)
                original.push_back(static_cast<std::uint8_t>('a' + k % 26));
            else if (kind == 2 && original.size() > 1000)
                original.push_back(original[original.size() - 1000]);
            else
                original.push_back(static_cast<std::uint8_t>((seed >> (k % 24)) ^ k));
        }
    }
    const std::vector<std::uint8_t> compressed = Compress(original);
    ASSERT_LT(compressed.size(), original.size());
    std::vector<std::uint8_t> whole;
    ASSERT_EQ(KzExpandMemory(compressed.data(), compressed.size(), whole), KzExpandStatus::Ok);
    EXPECT_TRUE(whole == original);

    std::vector<std::uint8_t> pieces;
    std::size_t offset = 0;
    ASSERT_EQ(KzExpandStream(
                  [&](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
                      const std::size_t n = std::min<std::size_t>({size, 40001, compressed.size() - offset});
                      std::copy_n(compressed.begin() + static_cast<std::ptrdiff_t>(offset), n, buffer);
                      offset += n;
                      return static_cast<std::ptrdiff_t>(n);
                  },
                  [&](const std::uint8_t* data, std::size_t size) {
                      pieces.insert(pieces.end(), data, data + size);
                      return true;
                  }),
              KzExpandStatus::Ok);
    EXPECT_TRUE(pieces == original);
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
