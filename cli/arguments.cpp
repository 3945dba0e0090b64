#include "cli/arguments.h"

#include <iterator>
#include <utility>

namespace kestrune {

ParsedArguments parseArguments(const std::vector<std::string> &arguments,
    const std::function<bool(std::string_view name)> &takesValue)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        if (optionsEnded || argument->size() < 2 || !argument->starts_with('-')) {
            parsed.operands.push_back(*argument);
            continue;
        }
        if (*argument == "--") {
            optionsEnded = true;
            continue;
        }
        ParsedArguments::Option option { *argument, std::nullopt };
        if (std::size_t equals = argument->find('=');
            argument->starts_with("--") && equals != std::string::npos) {
            option.name = argument->substr(0, equals);
            option.value = argument->substr(equals + 1);
        } else if (takesValue && takesValue(option.name)
            && std::next(argument) != arguments.end()) {
            option.value = *++argument;
        }
        parsed.options.push_back(std::move(option));
    }
    return parsed;
}

} // namespace kestrune
