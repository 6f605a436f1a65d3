#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kw {

// Every read of file data goes through this view: an access outside the bytes
// reads as 0 (or an empty text) instead of touching other memory.
class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t size() const { return m_size; }

    uint8_t u8(std::size_t offset) const { return offset < m_size ? m_data[offset] : 0; }
    uint16_t u16(std::size_t offset) const
    {
        return static_cast<uint16_t>(u8(offset) | (u8(offset + 1) << 8));
    }
    int16_t i16(std::size_t offset) const { return static_cast<int16_t>(u16(offset)); }
    uint32_t u32(std::size_t offset) const
    {
        return static_cast<uint32_t>(u16(offset)) | (static_cast<uint32_t>(u16(offset + 2)) << 16);
    }
    int32_t i32(std::size_t offset) const { return static_cast<int32_t>(u32(offset)); }
    float f32(std::size_t offset) const
    {
        const uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A length-prefixed text: the length byte at `offset`, then the bytes,
    // never more than `capacity` nor past the end.
    std::string text(std::size_t offset, std::size_t capacity) const
    {
        std::size_t len = u8(offset);
        if (len > capacity)
            len = capacity;
        std::string out;
        for (std::size_t i = 0; i < len && offset + 1 + i < m_size; ++i)
            out += static_cast<char>(m_data[offset + 1 + i]);
        return out;
    }

private:
    const uint8_t* m_data;
    std::size_t m_size;
};

// The writing counterpart for records the program owns; writes outside the
// bytes are dropped.
class ByteWriter {
public:
    ByteWriter(uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    void u8(std::size_t offset, uint8_t v)
    {
        if (offset < m_size)
            m_data[offset] = v;
    }
    void u16(std::size_t offset, uint16_t v)
    {
        u8(offset, static_cast<uint8_t>(v));
        u8(offset + 1, static_cast<uint8_t>(v >> 8));
    }
    void u32(std::size_t offset, uint32_t v)
    {
        u16(offset, static_cast<uint16_t>(v));
        u16(offset + 2, static_cast<uint16_t>(v >> 16));
    }
    void f32(std::size_t offset, float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u32(offset, bits);
    }
    // Length byte and bytes, cut to `capacity`.
    void text(std::size_t offset, std::size_t capacity, const std::string& bytes)
    {
        const std::size_t len = bytes.size() < capacity ? bytes.size() : capacity;
        u8(offset, static_cast<uint8_t>(len));
        for (std::size_t i = 0; i < len; ++i)
            u8(offset + 1 + i, static_cast<uint8_t>(bytes[i]));
    }

private:
    uint8_t* m_data;
    std::size_t m_size;
};

} // namespace kw
