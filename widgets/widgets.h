#pragma once

#include "widgets/chrome.h"

#include <QFont>
#include <QPushButton>
#include <QWidget>

namespace kestrune {

// Arial, bold, as every page uses it.
QFont boldArial(qreal points);

// Creates a child widget with its object name and its designed place, given in twips.
template <typename W>
W *placeWidget(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(
        twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    return widget;
}

// A push button with its caption in the buttons' font; Enter in a field does not press it.
QPushButton *placeButton(QWidget *parent, const char *name, const char *caption, int left, int top,
    int width, int height);

} // namespace kestrune
