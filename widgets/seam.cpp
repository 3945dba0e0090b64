#include "widgets/seam.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRandomGenerator>

namespace kestrune {

void QtSeam::showMessage(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
        QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QString QtSeam::askSaveFileName(const QString &title, const QString &filter)
{
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replace an existing file without asking, and keep the name exactly as typed.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void QtSeam::openUrl(const QUrl &url) { QDesktopServices::openUrl(url); }

int QtSeam::drawOneToHundred() { return QRandomGenerator::global()->bounded(1, 101); }

} // namespace kestrune
