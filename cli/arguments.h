#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A command line split into options and operands, each in the order given. What is a mistake is
// the caller's to say, in its own words.
struct ParsedArguments {
    struct Option {
        std::string name; // "--name", or a single-dash argument whole
        std::optional<std::string> value; // after '=', else the next argument; nullopt: none
    };
    std::vector<Option> options;
    std::vector<std::string> operands;
};

// Reads `--name`, `--name=value` and operands. An option for which `takesValue(name)` holds, and
// that has no '=', takes the next argument as its value, whatever it is. After `--` only operands
// follow; an argument shorter than 2 characters or not starting with '-' is an operand.
ParsedArguments parseArguments(const std::vector<std::string> &arguments,
    const std::function<bool(std::string_view name)> &takesValue = {});

} // namespace kestrune
