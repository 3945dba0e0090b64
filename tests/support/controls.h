#pragma once

#include <QWidget>

namespace kestrune {

// A page's control found by its object name, the name error reports and old scripts know it by.
template <typename W> W *control(const QWidget &page, const char *objectName)
{
    auto *found = page.findChild<W *>(QString::fromLatin1(objectName));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(page.objectName()),
            W::staticMetaObject.className(), objectName);
    return found;
}

} // namespace kestrune
