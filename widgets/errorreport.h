#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Where the screenshot of an "Application Error" box should be sent (set when building).
inline constexpr std::string_view supportAddress = KESTRUNE_SUPPORT_ADDRESS;

inline constexpr std::string_view applicationErrorTitle = "Application Error";

// One label per trapped handler, naming its page and handler in every error report.
namespace trace {
inline constexpr std::string_view loginLoad = "in Kestrune2021/08/31.Form1.Form_Load ";
inline constexpr std::string_view loginHelp = "in Kestrune2021/08/31.Form1.PushButton2_Click ";
inline constexpr std::string_view loginNext = "in Kestrune2021/08/31.Form1.PushButton3_Click ";
inline constexpr std::string_view loginTestConnection
    = "in Kestrune2021/08/31.Form1.PushButton5_Click ";
inline constexpr std::string_view tableSelectionLoad = "in Kestrune2021/08/31.Form2.Form_Load ";
inline constexpr std::string_view tableSelectionBack
    = "in Kestrune2021/08/31.Form2.PushButton2_Click ";
inline constexpr std::string_view resultsLoad = "in Kestrune2021/08/31.Form3.Form_Load ";
inline constexpr std::string_view resultsSave = "in Kestrune2021/08/31.Form3.PushButton1_Click ";
inline constexpr std::string_view resultsBack = "in Kestrune2021/08/31.Form3.PushButton2_Click ";
} // namespace trace

// The text of the "Application Error" box.
std::string applicationErrorText(
    std::string_view description, std::string_view traceLabel, int line);

} // namespace kestrune
