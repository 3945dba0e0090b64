#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// An ordered list of text lines in one buffer, so millions of lines cost no object each.
class TextLines {
public:
    void append(std::string_view line);
    void append(const TextLines &other);
    void append(TextLines &&other); // an empty list takes the other's buffers whole
    void clear();

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    std::string_view at(std::size_t index) const; // from 0

private:
    std::string m_text;
    std::vector<std::uint64_t> m_ends;
};

} // namespace kestrune
