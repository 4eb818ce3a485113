#pragma once

#include <cstdint>
#include <vector>

namespace artgen {

// Every file format written here is little-endian; writing byte by byte keeps the
// output independent of the host's byte order and of structure padding.
class ByteWriter {
public:
    void u8(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value & 0xFFu)); }
    void u16(unsigned value)
    {
        u8(value);
        u8(value >> 8);
    }
    void u32(std::uint32_t value)
    {
        u16(value & 0xFFFFu);
        u16(value >> 16);
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace artgen
