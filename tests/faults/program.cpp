#include "program.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <unistd.h>

namespace kestrune {

Program::Program() = default;
Program::~Program() = default;

void Program::start()
{
    m_pages = std::make_unique<PageFlow>(seam);
    m_pages->start();
}

void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    // One key event a character; QTest::keyClicks takes Latin-1 only.
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QCoreApplication::sendEvent(field, &press);
        QCoreApplication::sendEvent(field, &release);
        i += length - 1;
    }
}

AsOrdinaryUser::AsOrdinaryUser()
{
    if (::geteuid() != 0)
        return;
    // The real user too, since access checks such as QFileInfo::isReadable ask for the real one;
    // the saved one stays root, so the switch can be undone.
    constexpr uid_t nobody = 65534;
    m_switched = ::setresuid(nobody, nobody, 0) == 0;
    m_ok = m_switched;
}

AsOrdinaryUser::~AsOrdinaryUser()
{
    if (m_switched && ::setresuid(0, 0, 0) != 0)
        qFatal("could not return to the root user");
}

} // namespace kestrune
