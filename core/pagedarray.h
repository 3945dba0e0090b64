#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

namespace kestrune {

// Resizes the block of a PagedArray (null: none yet; newBytes 0: frees it). Small blocks come
// from malloc; large ones are mapped on their own and advised into huge pages, so growing one
// remaps it instead of copying, and touching it faults once a huge page instead of once a 4 KB
// page. Throws std::bad_alloc when there is no memory.
void *resizePagedBlock(void *block, std::size_t oldBytes, std::size_t newBytes);

// A growing array of plain values, as a column of a table with millions of rows keeps them.
template <typename T> class PagedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PagedArray() = default;
    PagedArray(const PagedArray &other) { append(other.data(), other.size()); }
    PagedArray(PagedArray &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
        , m_size(std::exchange(other.m_size, 0))
        , m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    PagedArray &operator=(PagedArray other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        return *this;
    }
    ~PagedArray() { resizePagedBlock(m_data, m_capacity * sizeof(T), 0); }

    std::size_t size() const { return m_size; }
    const T *data() const { return m_data; }
    T operator[](std::size_t index) const { return m_data[index]; }

    void reserve(std::size_t count)
    {
        if (count > m_capacity)
            regrow(count);
    }
    void clear() { m_size = 0; } // keeps the block
    void push_back(T value)
    {
        if (m_size == m_capacity)
            regrow(m_capacity < 16 ? 16 : m_capacity * 2);
        m_data[m_size++] = value;
    }
    void append(const T *values, std::size_t count)
    {
        if (count != 0)
            std::memcpy(extend(count), values, count * sizeof(T));
    }
    // Room for `count` more values at the end, to be written in place.
    T *extend(std::size_t count)
    {
        if (count > m_capacity - m_size)
            regrow(m_size + count > m_capacity * 2 ? m_size + count : m_capacity * 2);
        T *room = m_data + m_size;
        m_size += count;
        return room;
    }

private:
    void regrow(std::size_t capacity)
    {
        m_data = static_cast<T *>(
            resizePagedBlock(m_data, m_capacity * sizeof(T), capacity * sizeof(T)));
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace kestrune
