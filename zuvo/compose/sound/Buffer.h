#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A byte buffer given by a data pointer and a length in bytes. It either owns
// bytes it allocated itself or borrows bytes that belong to the caller; only
// owned bytes are freed with the buffer. The sound classes carry wave data in it.
//
// A buffer cannot be copied (two owners would free the bytes twice); moving
// hands the bytes over and leaves the source empty.
class CBuffer {
public:
    CBuffer() = default;
    // Allocates size bytes (not initialised) and owns them. When the
    // allocation fails the buffer is empty: data null and size 0.
    explicit CBuffer(std::size_t size);
    // Borrows the caller's bytes. A null data pointer gives an empty buffer.
    CBuffer(std::uint8_t* data, std::size_t size);
    virtual ~CBuffer();

    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;
    CBuffer(CBuffer&& other) noexcept;
    CBuffer& operator=(CBuffer&& other) noexcept;

    std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    bool Owns() const { return owned_ != nullptr; }

    // Sets the length of the valid bytes, at most the current length (a
    // reader that fills part of the buffer shortens it to what it filled).
    void Shrink(std::size_t size);
    // Fills the whole buffer with zero bytes; nothing when data is null.
    void Clear();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::unique_ptr<std::uint8_t[]> owned_; // set exactly when the buffer owns its bytes
};
