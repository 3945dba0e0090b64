#include "core/textlines.h"

namespace kestrune {

void TextLines::append(std::string_view line)
{
    m_text.append(line);
    m_ends.push_back(m_text.size());
}

void TextLines::append(const TextLines &other)
{
    std::uint64_t base = m_text.size();
    m_text.append(other.m_text);
    m_ends.reserve(m_ends.size() + other.m_ends.size());
    for (std::uint64_t end : other.m_ends)
        m_ends.push_back(base + end);
}

void TextLines::append(TextLines &&other)
{
    if (!empty()) {
        append(other);
        return;
    }
    m_text = std::move(other.m_text);
    m_ends = std::move(other.m_ends);
    other.clear();
}

void TextLines::clear()
{
    m_text.clear();
    m_text.shrink_to_fit();
    m_ends.clear();
    m_ends.shrink_to_fit();
}

std::string_view TextLines::at(std::size_t index) const
{
    std::uint64_t begin = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_text).substr(begin, m_ends[index] - begin);
}

} // namespace kestrune
