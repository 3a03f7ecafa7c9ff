#include "core/Buffer.h"

#include <cstring>
#include <new>
#include <utility>

CBuffer::CBuffer(std::size_t size)
{
    try {
        m_owned = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        return; // the caller sees a null data pointer
    }
    m_data = m_owned.get();
    m_size = size;
}

CBuffer::CBuffer(std::uint8_t* data, std::size_t size)
    : m_data(data), m_size(data ? size : 0)
{
}

CBuffer::~CBuffer() = default;

CBuffer::CBuffer(CBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_owned(std::move(other.m_owned))
{
}

CBuffer& CBuffer::operator=(CBuffer&& other) noexcept
{
    if (this != &other) {
        m_owned = std::move(other.m_owned);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void CBuffer::Shrink(std::size_t size)
{
    if (size < m_size)
        m_size = size;
}

void CBuffer::Clear()
{
    if (m_data)
        std::memset(m_data, 0, m_size);
}
