#pragma once

#include "ui/page.h"

class QGroupBox;
class QProgressBar;
class QPushButton;

namespace kestrune {

class ListView;
class Pages;

// The table selection page: every table of the database twice, side by side; "Next >" compares
// the two chosen tables and shows the results page.
class Form2 : public Page {
    Q_OBJECT
public:
    Form2(Seam &seam, Pages &pages);

    void Form_Load();
    void PushButton3_Click(); // Next >: the comparison
    void PushButton2_Click(); // < Back

    QGroupBox *Frame1;
    ListView *ListView1;
    ListView *ListView2;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QProgressBar *ProgressBar1;

private:
    void compare();

    Pages &m_pages;
};

} // namespace kestrune
