#pragma once

#include "ui/page.h"

class QPushButton;

namespace kestrune {

class ListView;
class Pages;

// The results page: "Field differences" and "Added / deleted records", saved to a text file.
class Form3 : public Page {
    Q_OBJECT
public:
    Form3(Seam &seam, Pages &pages);

    void Form_Load();
    void PushButton1_Click(); // Save Results As Text File
    void PushButton2_Click(); // < Back

    ListView *ListView1;
    ListView *ListView2;
    QPushButton *PushButton1;
    QPushButton *PushButton2;

private:
    Pages &m_pages;
};

// Writes both lists, field differences first, to the file at the path.
void SaveResults(const Form3 &page, const QString &path);

} // namespace kestrune
