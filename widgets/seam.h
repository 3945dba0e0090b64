#pragma once

#include <QString>
#include <QUrl>

namespace kestrune {

// What a test cannot click: the modal message box, the save dialog, the browser and the draw.
class Seam {
public:
    enum class Icon { None, Warning };

    virtual ~Seam() = default;
    // Shows a modal box with an OK button and returns when it is closed.
    virtual void showMessage(const QString &text, const QString &title, Icon icon) = 0;
    // Returns the chosen path, or an empty text when the user cancelled.
    virtual QString askSaveFileName(const QString &title, const QString &filter) = 0;
    // Opens the address in the system's browser without waiting for it.
    virtual void openUrl(const QUrl &url) = 0;
    // A whole number from 1 to 100.
    virtual int drawOneToHundred() = 0;
};

class QtSeam : public Seam {
public:
    void showMessage(const QString &text, const QString &title, Icon icon) override;
    QString askSaveFileName(const QString &title, const QString &filter) override;
    void openUrl(const QUrl &url) override;
    int drawOneToHundred() override;
};

} // namespace kestrune
