#include "widgets/errorreport.h"

namespace kestrune {

std::string applicationErrorText(
    std::string_view description, std::string_view traceLabel, int line)
{
    std::string text;
    text.append(description);
    text.append("\r\n");
    text.append(traceLabel);
    text.append("at line ");
    text.append(std::to_string(line));
    text.append("\r\r");
    text.append("Please email screenshot of this message to ");
    text.append(supportAddress);
    return text;
}

} // namespace kestrune
