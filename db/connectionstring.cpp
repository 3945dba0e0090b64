#include "db/connectionstring.h"

namespace kestrune {

namespace {

bool needsBraces(const std::string &value)
{
    if (value.find_first_of(";{}") != std::string::npos)
        return true;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !value.empty() && (blank(value.front()) || blank(value.back()));
}

// A value holding ";" or braces would end the pair early or inject keys, and the driver trims
// blanks around a bare value: such values go in braces, with "}" doubled.
void appendPair(std::string &out, const char *key, const std::string &value)
{
    out += key;
    out += '=';
    if (needsBraces(value)) {
        out += '{';
        for (char c : value) {
            out += c;
            if (c == '}')
                out += '}';
        }
        out += '}';
    } else {
        out += value;
    }
    out += ';';
}

} // namespace

std::string buildConnectionString(const LoginDetails &login)
{
    std::string out = "DRIVER={";
    out += odbcDriverName;
    out += "};";
    appendPair(out, "SERVER", login.server);
    appendPair(out, "USER", login.user);
    appendPair(out, "PASSWORD", login.password);
    appendPair(out, "DATABASE", login.database);
    appendPair(out, "PORT", login.port);
    return out;
}

} // namespace kestrune
