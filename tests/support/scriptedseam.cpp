#include "support/scriptedseam.h"

namespace kestrune {

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
