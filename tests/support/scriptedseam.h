#pragma once

#include "widgets/seam.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace kestrune {

// Stands in for what a test cannot click: records every box, answers the save dialog and the
// draw from a script, and records the addresses it was asked to open.
class ScriptedSeam : public Seam {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
    };

    ScriptedSeam();

    void showMessage(const QString &text, const QString &title, Icon icon) override;
    QString askSaveFileName(const QString &title, const QString &filter) override;
    void openUrl(const QUrl &url) override;
    int drawOneToHundred() override;

    QList<Message> messages;
    QStringList messageTexts() const;
    QStringList saveDialogs; // "title|filter" of each dialog shown
    QStringList fileNames; // answers of the save dialog, in order; empty means cancel
    QList<QUrl> openedUrls;
    QList<int> draws; // answers of the draw, in order; 1 when none is left
    // Runs while a box is open, as a user's actions would before closing it.
    std::function<void(const Message &)> whileMessageOpen;
};

} // namespace kestrune
