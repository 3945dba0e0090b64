#include "support/scriptedseam.h"

#include <QGuiApplication>

namespace kestrune {

// The pages run as in the program, whose main names the application: boxes without a title of
// their own carry that name.
ScriptedSeam::ScriptedSeam()
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kestrune"));
}

void ScriptedSeam::showMessage(const QString &text, const QString &title, Icon icon)
{
    messages.append(Message { text, title, icon });
    if (whileMessageOpen)
        whileMessageOpen(messages.constLast());
}

QString ScriptedSeam::askSaveFileName(const QString &title, const QString &filter)
{
    saveDialogs.append(title + QLatin1Char('|') + filter);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

void ScriptedSeam::openUrl(const QUrl &url) { openedUrls.append(url); }

int ScriptedSeam::drawOneToHundred() { return draws.isEmpty() ? 1 : draws.takeFirst(); }

QStringList ScriptedSeam::messageTexts() const
{
    QStringList texts;
    for (const Message &m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace kestrune
