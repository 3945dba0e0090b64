#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrune {

// Runs a handler's numbered statements: a statement that throws is reported with the handler's
// label and its number, and the handler carries on with the next statement.
class Trap {
public:
    using Report
        = std::function<void(const std::string &description, std::string_view label, int line)>;

    Trap(std::string_view label, Report report);

    template <typename F> void step(int line, F &&statement)
    {
        try {
            statement();
        } catch (const std::exception &error) {
            m_report(error.what(), m_label, line);
        }
    }

    // The condition of an if: a condition that throws counts as true, so its Then branch runs.
    template <typename F> bool condition(int line, F &&test)
    {
        try {
            return test();
        } catch (const std::exception &error) {
            m_report(error.what(), m_label, line);
            return true;
        }
    }

private:
    std::string_view m_label;
    Report m_report;
};

} // namespace kestrune
