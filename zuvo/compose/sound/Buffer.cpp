#include "compose/sound/Buffer.h"

#include <cstring>
#include <new>
#include <utility>

CBuffer::CBuffer(std::size_t size)
{
    try {
        owned_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        return; // the caller sees a null data pointer
    }
    data_ = owned_.get();
    size_ = size;
}

CBuffer::CBuffer(std::uint8_t* data, std::size_t size)
    : data_(data), size_(data ? size : 0)
{
}

CBuffer::~CBuffer() = default;

CBuffer::CBuffer(CBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      owned_(std::move(other.owned_))
{
}

CBuffer& CBuffer::operator=(CBuffer&& other) noexcept
{
    if (this != &other) {
        owned_ = std::move(other.owned_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void CBuffer::Shrink(std::size_t size)
{
    if (size < size_)
        size_ = size;
}

void CBuffer::Clear()
{
    if (data_)
        std::memset(data_, 0, size_);
}
