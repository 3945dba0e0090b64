#pragma once

#include "widgets/seam.h"
#include "widgets/trap.h"

#include <string>
#include <string_view>

namespace kestrune {

// Shows the "Application Error" box for a failed statement of a trapped handler.
void showApplicationError(
    Seam &seam, const std::string &description, std::string_view traceLabel, int line);

// The standard trap of a handler: every failure becomes an "Application Error" box.
Trap standardTrap(Seam &seam, std::string_view traceLabel);

// The title of boxes that name none of their own.
QString applicationTitle();

} // namespace kestrune
