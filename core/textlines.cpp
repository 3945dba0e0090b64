#include "core/textlines.h"

namespace kestrune {

void TextLines::append(std::string_view line)
{
    m_text.append(line.data(), line.size());
    m_ends.push_back(m_text.size());
}

void TextLines::append(const TextLines &other)
{
    const std::uint64_t base = m_text.size();
    m_text.append(other.m_text.data(), other.m_text.size());
    std::uint64_t *ends = m_ends.extend(other.m_ends.size());
    for (std::size_t i = 0; i < other.m_ends.size(); ++i)
        ends[i] = base + other.m_ends[i];
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
    m_text = {};
    m_ends = {};
}

std::string_view TextLines::at(std::size_t index) const
{
    const std::uint64_t begin = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_text.data() + begin, m_ends[index] - begin);
}

} // namespace kestrune
