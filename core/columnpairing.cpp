#include "core/columnpairing.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale.h>

namespace kestrune {

namespace {

// The next character of UTF-8 text, or the next byte as it is when it starts no character.
char32_t nextCharacter(std::string_view &text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    // How many bytes the lead byte says the character has, and the bits of it the lead holds.
    std::size_t length = 0;
    char32_t character = 0;
    if (lead < 0x80) {
        length = 1;
        character = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        character = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        character = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        character = lead & 0x07;
    }
    bool whole = length != 0 && length <= text.size();
    for (std::size_t i = 1; whole && i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        whole = next >> 6 == 0x2;
        character = (character << 6) | (next & 0x3F);
    }
    if (!whole) {
        text.remove_prefix(1);
        return 0x110000 + lead; // beyond every character, so a stray byte matches only itself
    }
    text.remove_prefix(length);
    return character;
}

// Lower case as Unicode's simple mapping has it, whatever locale the program runs in.
char32_t lowered(char32_t character)
{
    if (character < 0x80)
        return character >= 'A' && character <= 'Z' ? character + ('a' - 'A') : character;
    if (character >= 0x110000)
        return character;
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(character), utf8))
                : character;
}

} // namespace

bool sameColumnName(std::string_view a, std::string_view b)
{
    while (!a.empty() && !b.empty()) {
        if (lowered(nextCharacter(a)) != lowered(nextCharacter(b)))
            return false;
    }
    return a.empty() && b.empty();
}

std::optional<std::size_t> findColumn(
    const std::vector<ColumnShape> &columns, std::string_view name)
{
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (sameColumnName(columns[c].name, name))
            return c;
    }
    return std::nullopt;
}

bool ColumnChoice::takes(std::string_view name) const
{
    if (rule == Rule::Every)
        return true;
    const bool named = std::any_of(names.begin(), names.end(),
        [&](const std::string &chosen) { return sameColumnName(chosen, name); });
    return named == (rule == Rule::Only);
}

std::optional<std::string> unknownColumn(const ColumnChoice &choice,
    const std::vector<ColumnShape> &columns1, const std::vector<ColumnShape> &columns2)
{
    for (const std::string &name : choice.names) {
        if (!findColumn(columns1, name) && !findColumn(columns2, name))
            return name;
    }
    return std::nullopt;
}

std::vector<ColumnPair> pairByPosition(std::size_t columns1, std::size_t columns2)
{
    std::vector<ColumnPair> pairs;
    for (std::size_t c = 0; c < columns1 && c < columns2; ++c)
        pairs.push_back({ c, c });
    return pairs;
}

NamedPairs pairByName(
    const std::vector<ColumnShape> &columns1, const std::vector<ColumnShape> &columns2)
{
    NamedPairs named;
    std::vector<bool> paired(columns2.size(), false);
    for (std::size_t c = 0; c < columns1.size(); ++c) {
        if (std::optional<std::size_t> other = findColumn(columns2, columns1[c].name)) {
            named.pairs.push_back({ c, *other });
            paired[*other] = true;
        } else {
            named.onlyInFirst.push_back(c);
        }
    }
    for (std::size_t c = 0; c < columns2.size(); ++c) {
        if (!paired[c])
            named.onlyInSecond.push_back(c);
    }
    return named;
}

} // namespace kestrune
