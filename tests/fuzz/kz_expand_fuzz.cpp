// Feeds arbitrary bytes to the compressed-file reader. Whatever the input, it must end with a status,
// never produce more than the header promises, and agree with itself when read in small pieces.
#include "core/kz_expand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> whole;
    const KzExpandStatus status = KzExpandMemory(data, size, whole);

    KzCompressedHeader header;
    if (status == KzExpandStatus::Ok && KzParseCompressedHeader(data, size, header) &&
        whole.size() != header.length)
        std::abort();
    if (status == KzExpandStatus::Ok && !KzHasCompressedSignature(data, size) &&
        std::vector<std::uint8_t>(data, data + size) != whole)
        std::abort();

    // Reading three bytes at a time moves every refill of the input buffer to another place.
    std::vector<std::uint8_t> pieces;
    std::size_t offset = 0;
    const KzExpandStatus piecewise = KzExpandStream(
        [&](std::uint8_t* buffer, std::size_t want) -> std::ptrdiff_t {
            std::size_t n = size - offset;
            if (n > 3) n = 3;
            if (n > want) n = want;
            for (std::size_t i = 0; i < n; ++i)
                buffer[i] = data[offset + i];
            offset += n;
            return static_cast<std::ptrdiff_t>(n);
        },
        [&](const std::uint8_t* bytes, std::size_t n) {
            pieces.insert(pieces.end(), bytes, bytes + n);
            return true;
        });
    if (piecewise != status || (status == KzExpandStatus::Ok && pieces != whole)) std::abort();
    return 0;
}
