#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace kestrune {

class Page;

// Twips are 1/1440 inch: 15 to a pixel at 96 dots per inch.
int twipsToPixels(int twips);

// A file beside the program, addressed the way the program names it ("/HAND-M.CUR").
QString programFile(const QString &name);

QIcon applicationIcon();

// The page and its frames, labels, check boxes and option buttons take the button-face colour.
void useButtonFaceColours(QWidget *page);

// Gives a white background to the page and to the given frames and labels, as designed.
void useWhite(QWidget *widget);

// The optional skin of the login page (x/o.cjs beside the program, a Qt style sheet).
void applySkin(QWidget *loginPage);

// The optional hand pointer (HAND-M.CUR beside the program) as the page's custom pointer image:
// the existence test and the loading, as two statements of a load step.
QString handPointerPath();
void loadCustomPointer(Page &page, const QString &path);

} // namespace kestrune
