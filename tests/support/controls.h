#pragma once

#include <QApplication>
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

// Whether the page window of that object name has been made, shown or not. Asking the page flow
// for a page would make it.
inline bool pageMade(const char *objectName)
{
    int made = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window->objectName() == QLatin1String(objectName))
            ++made;
    }
    if (made > 1)
        qFatal("%d windows named %s: two page flows are alive", made, objectName);
    return made == 1;
}

} // namespace kestrune
