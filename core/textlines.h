#pragma once

#include "core/pagedarray.h"

#include <cstdint>
#include <string_view>

namespace kestrune {

// An ordered list of text lines in one buffer, so millions of lines cost no object each; the
// buffers grow in place (see PagedArray), so a long list is never copied as it grows.
class TextLines {
public:
    void append(std::string_view line);
    void append(const TextLines &other);
    void append(TextLines &&other); // an empty list takes the other's buffers whole
    void clear();

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.size() == 0; }
    std::string_view at(std::size_t index) const; // from 0

private:
    PagedArray<char> m_text;
    PagedArray<std::uint64_t> m_ends;
};

} // namespace kestrune
