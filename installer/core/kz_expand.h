#pragma once
// The installer's reader of the compressed format in which installation disks may carry files.
//
// A compressed file starts with a 14-byte header: the eight signature bytes 53 5A 44 44 88 F0 27 33,
// the mode byte 'A', the original name's replaced last character and the expanded length as a 32-bit
// little-endian number. LZSS data follows to the end of the file: a 4096-byte window of blanks that
// is written from position 4080 on; each flag byte governs the next eight items, lowest bit first;
// a set bit is one literal byte, a clear bit a two-byte match that names an absolute window
// position and a length of 3 to 18. The data ends with the item that completes the stated length;
// anything after it means the header is wrong, and the file is refused rather than cut short. Any
// file without the signature is copied unchanged.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

constexpr std::size_t KzCompressedHeaderSize = 14;

enum class KzExpandStatus {
    Ok,
    ReadFailed,  // the source could not be read
    WriteFailed, // the destination could not be written
    BadHeader,   // the signature is there but the rest of the header is short or of an unknown mode
    Truncated,   // the data ends before the length the header promises
    Overlong,    // the data goes on after the length the header states: a damaged header
};

struct KzCompressedHeader {
    std::uint8_t mode = 0;
    std::uint8_t lastChar = 0;
    std::uint32_t length = 0;
};

// True when data begins with the eight signature bytes.
bool KzHasCompressedSignature(const std::uint8_t* data, std::size_t size);

// Reads the header of a compressed file; false when it is short or its mode is not 'A'.
bool KzParseCompressedHeader(const std::uint8_t* data, std::size_t size, KzCompressedHeader& header);

// Reads up to size bytes; returns how many, 0 at the end, a negative value on failure.
using KzReadFunction = std::function<std::ptrdiff_t(std::uint8_t* buffer, std::size_t size)>;
// Writes all size bytes; false on failure.
using KzWriteFunction = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Copies what is left of a plain stream by a faster way than reading and writing it (the kernel's
// own file copy); nothing when there is no such way here, and the rest is copied through.
using KzCopyRestFunction = std::function<std::optional<KzExpandStatus>()>;

// Sees each block of the output once it is written, in order: a caller that checksums what it
// installs does it while the bytes are at hand rather than by reading the file again.
using KzWriteObserver = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Copies a whole stream, expanding it when it is compressed. compressed, when given, tells which.
KzExpandStatus KzExpandStream(const KzReadFunction& read, const KzWriteFunction& write,
                              bool* compressed = nullptr, const KzCopyRestFunction& copyRest = {});

// The same over a block of memory; out receives the expanded (or copied) bytes.
KzExpandStatus KzExpandMemory(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

// The same between two open file descriptors (implemented with the platform's calls). A file
// that is not compressed is handed to the kernel's own file copy where it can, so it copies as
// fast as any plain copy; with an observer every byte passes through this process instead.
KzExpandStatus KzExpandFile(int inFd, int outFd, bool* compressed = nullptr, const KzWriteObserver& observer = {});
