#include "core/kz_expand.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>


namespace {

constexpr std::uint8_t Signature[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t WindowSize = 4096;
constexpr std::size_t WindowMask = WindowSize - 1;
constexpr std::size_t WindowStart = 4080;
constexpr std::size_t ChunkSize = 256 * 1024;
// One flag byte and eight two-byte matches: the most input a group of items can take.
constexpr std::size_t GroupInput = 17;
// Eight matches of 18 bytes: the most output a group of items can give.
constexpr std::size_t GroupOutput = 8 * 18;

// The input side of the decoder: a buffer refilled from the reader, so the inner loop can take
// a whole group of items without looking at the reader.
template <class Read> class Input {
  public:
    explicit Input(Read& read) : read_(read), buffer_(new std::uint8_t[ChunkSize]) {}

    // Makes at least want bytes available unless the stream ends first; false on a read error.
    bool Fill(std::size_t want) {
        if (end_ - pos_ >= want || atEnd_) return true;
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ < want && !atEnd_) {
            const std::ptrdiff_t got = read_(buffer_.get() + end_, ChunkSize - end_);
            if (got < 0) return false;
            if (got == 0) atEnd_ = true;
            end_ += static_cast<std::size_t>(got);
        }
        return true;
    }

    std::size_t Available() const { return end_ - pos_; }
    const std::uint8_t* Data() const { return buffer_.get() + pos_; }
    void Consume(std::size_t n) { pos_ += n; }

  private:
    Read& read_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
};

// Expands the LZSS data that follows the header. The output buffer doubles as the window: its
// first 4096 bytes always hold the bytes last written (blanks at the start), so a match is a copy
// from earlier in the same buffer and the window needs no second copy of every byte.
template <class Read, class Write>
KzExpandStatus ExpandData(Input<Read>& in, Write& write, std::uint32_t length) {
    const std::size_t capacity = WindowSize + ChunkSize;
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[capacity]);
    std::uint8_t* const out = buffer.get();
    std::memset(out, ' ', WindowSize);
    std::size_t o = WindowSize;
    // The window position of out[o] is (o + shift) & WindowMask.
    std::size_t shift = WindowStart - WindowSize;
    std::size_t remaining = length; // bytes still to produce beyond out[o]

    auto flush = [&]() -> bool {
        if (!write(out + WindowSize, o - WindowSize)) return false;
        std::memmove(out, out + o - WindowSize, WindowSize);
        shift += o - WindowSize;
        o = WindowSize;
        return true;
    };

    while (remaining > 0) {
        if (o + GroupOutput > capacity && !flush()) return KzExpandStatus::WriteFailed;
        if (!in.Fill(GroupInput)) return KzExpandStatus::ReadFailed;
        const std::uint8_t* p = in.Data();
        const std::size_t available = in.Available();
        if (available >= GroupInput && remaining >= GroupOutput) {
            // The common case: a whole group fits in both buffers, so no item needs a bound check.
            const std::size_t start = o;
            unsigned flags = *p++;
            for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
                if (flags & 1) {
                    out[o++] = *p++;
                } else {
                    const std::size_t position = p[0] | ((p[1] & 0xF0u) << 4);
                    const std::size_t count = (p[1] & 0x0Fu) + 3;
                    p += 2;
                    std::size_t distance = (o + shift - position) & WindowMask;
                    if (distance == 0) distance = WindowSize;
                    const std::uint8_t* from = out + o - distance;
                    std::uint8_t* to = out + o;
                    if (distance >= count) {
                        std::memcpy(to, from, count);
                    } else {
                        // The match overlaps its own output and repeats it, one byte at a time.
                        for (std::size_t k = 0; k < count; ++k)
                            to[k] = from[k];
                    }
                    o += count;
                }
            }
            in.Consume(static_cast<std::size_t>(p - in.Data()));
            remaining -= o - start;
            continue;
        }
        // Near the end of the data or of the expected length: check every item.
        if (available == 0) return KzExpandStatus::Truncated;
        const std::uint8_t* const end = p + available;
        unsigned flags = *p++;
        for (int bit = 0; bit < 8 && remaining > 0; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (p == end) return KzExpandStatus::Truncated;
                out[o++] = *p++;
                --remaining;
            } else {
                if (end - p < 2) return KzExpandStatus::Truncated;
                const std::size_t position = p[0] | ((p[1] & 0xF0u) << 4);
                std::size_t count = (p[1] & 0x0Fu) + 3;
                p += 2;
                // A match that reaches past the stated length is data after it.
                if (count > remaining) return KzExpandStatus::Overlong;
                std::size_t distance = (o + shift - position) & WindowMask;
                if (distance == 0) distance = WindowSize;
                for (std::size_t k = 0; k < count; ++k)
                    out[o + k] = out[o + k - distance];
                o += count;
                remaining -= count;
            }
        }
        in.Consume(static_cast<std::size_t>(p - in.Data()));
    }
    // A header whose length was cut (halved, or zero) would otherwise install the start of the file
    // as if it were all of it.
    if (!in.Fill(1)) return KzExpandStatus::ReadFailed;
    if (in.Available() > 0) return KzExpandStatus::Overlong;
    if (o > WindowSize && !write(out + WindowSize, o - WindowSize)) return KzExpandStatus::WriteFailed;
    return KzExpandStatus::Ok;
}

// Reads the first bytes of the stream and either expands the rest or copies the whole stream.
// copyRest copies what the input buffer does not yet hold; it returns the status of that copy.
template <class Read, class Write, class CopyRest>
KzExpandStatus Expand(Read& read, Write& write, CopyRest copyRest, bool* compressed) {
    Input<Read> in(read);
    if (!in.Fill(KzCompressedHeaderSize)) return KzExpandStatus::ReadFailed;
    const bool isCompressed = KzHasCompressedSignature(in.Data(), in.Available());
    if (compressed) *compressed = isCompressed;
    if (!isCompressed) {
        if (in.Available() > 0 && !write(in.Data(), in.Available())) return KzExpandStatus::WriteFailed;
        in.Consume(in.Available());
        return copyRest(in);
    }
    KzCompressedHeader header;
    if (!KzParseCompressedHeader(in.Data(), in.Available(), header)) return KzExpandStatus::BadHeader;
    in.Consume(KzCompressedHeaderSize);
    return ExpandData(in, write, header.length);
}

// Copies the rest of a plain stream through the input buffer.
template <class Read, class Write> KzExpandStatus CopyThrough(Input<Read>& in, Write& write) {
    for (;;) {
        if (!in.Fill(ChunkSize)) return KzExpandStatus::ReadFailed;
        if (in.Available() == 0) return KzExpandStatus::Ok;
        if (!write(in.Data(), in.Available())) return KzExpandStatus::WriteFailed;
        in.Consume(in.Available());
    }
}

} // namespace

bool KzHasCompressedSignature(const std::uint8_t* data, std::size_t size) {
    return size >= sizeof Signature && std::memcmp(data, Signature, sizeof Signature) == 0;
}

bool KzParseCompressedHeader(const std::uint8_t* data, std::size_t size, KzCompressedHeader& header) {
    if (size < KzCompressedHeaderSize || !KzHasCompressedSignature(data, size)) return false;
    header.mode = data[8];
    header.lastChar = data[9];
    header.length = static_cast<std::uint32_t>(data[10]) | static_cast<std::uint32_t>(data[11]) << 8 |
                    static_cast<std::uint32_t>(data[12]) << 16 | static_cast<std::uint32_t>(data[13]) << 24;
    return header.mode == 'A';
}

KzExpandStatus KzExpandStream(const KzReadFunction& read, const KzWriteFunction& write, bool* compressed,
                              const KzCopyRestFunction& copyRest) {
    auto reader = [&](std::uint8_t* buffer, std::size_t size) { return read(buffer, size); };
    auto writer = [&](const std::uint8_t* data, std::size_t size) { return write(data, size); };
    return Expand(
        reader, writer,
        [&](auto& in) {
            if (copyRest) {
                if (const std::optional<KzExpandStatus> status = copyRest()) return *status;
            }
            return CopyThrough(in, writer);
        },
        compressed);
}

KzExpandStatus KzExpandMemory(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
    out.clear();
    std::size_t offset = 0;
    auto reader = [&](std::uint8_t* buffer, std::size_t want) -> std::ptrdiff_t {
        const std::size_t n = std::min(want, size - offset);
        if (n) std::memcpy(buffer, data + offset, n);
        offset += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    auto writer = [&](const std::uint8_t* bytes, std::size_t n) {
        out.insert(out.end(), bytes, bytes + n);
        return true;
    };
    return Expand(
        reader, writer, [&](auto& in) { return CopyThrough(in, writer); }, nullptr);
}
