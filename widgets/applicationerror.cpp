#include "widgets/applicationerror.h"

#include "widgets/errorreport.h"

#include <QGuiApplication>

namespace kestrune {

void showApplicationError(
    Seam &seam, const std::string &description, std::string_view traceLabel, int line)
{
    std::string text = applicationErrorText(description, traceLabel, line);
    seam.showMessage(QString::fromStdString(text),
        QString::fromUtf8(applicationErrorTitle.data(), applicationErrorTitle.size()),
        Seam::Icon::Warning);
}

Trap standardTrap(Seam &seam, std::string_view traceLabel)
{
    return Trap(
        traceLabel, [&seam](const std::string &description, std::string_view label, int line) {
            showApplicationError(seam, description, label, line);
        });
}

QString applicationTitle() { return QGuiApplication::applicationDisplayName(); }

} // namespace kestrune
