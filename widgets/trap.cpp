#include "widgets/trap.h"

namespace kestrune {

Trap::Trap(std::string_view label, Report report)
    : m_label(label)
    , m_report(std::move(report))
{
}

} // namespace kestrune
