#pragma once

#include "core/trap.h"
#include "widgets/seam.h"

#include <string>
#include <string_view>

namespace kestrune {

// Shows the "Application Error" box for a failed statement of a trapped handler.
void ShowApplicationError(
    Seam &seam, const std::string &description, std::string_view traceLabel, int line);

// The standard trap of a handler: every failure becomes an "Application Error" box.
Trap standardTrap(Seam &seam, std::string_view traceLabel);

// The title of boxes that name none of their own.
QString applicationTitle();

} // namespace kestrune
