#include "core/jsontext.h"

#include "core/value.h"
#include "core/valuetext.h"

namespace kestrune {

namespace {

// The length of the valid UTF-8 character that `text` starts with, or 0 for none (overlong
// forms, surrogates and code points past U+10FFFF are none).
std::size_t characterLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80; // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

void appendJsonString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        if (c >= 0x80) {
            const std::size_t length = characterLength(text);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                text.remove_prefix(1);
            } else {
                out.append(text.substr(0, length));
                text.remove_prefix(length);
            }
            continue;
        }
        text.remove_prefix(1);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0x0F];
            } else {
                out += static_cast<char>(c);
            }
            break;
        }
    }
    out += '"';
}

void appendCellJson(std::string &out, const Cell &cell, std::string &scratch)
{
    if (cell.null) {
        out += "null";
        return;
    }
    scratch.clear();
    appendCellText(scratch, cell);
    appendJsonString(out, scratch);
}

} // namespace kestrune
