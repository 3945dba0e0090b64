#pragma once

#include "core/comparisonlines.h"
#include "widgets/page.h"

#include <functional>

class QPushButton;

namespace kestrune {

class ListView;

// The results page: "Field differences" and "Added / deleted records", saved to a text file.
class ResultsPage : public Page {
    Q_OBJECT
public:
    struct Routes {
        std::function<void()> showTableSelection; // "< Back"
    };

    ResultsPage(Seam &seam, Routes routes);

    void load();
    void onSaveClicked(); // Save Results As Text File
    void onBackClicked();

    // Appends a comparison's lines to the two lists.
    void appendLines(ComparisonLines &&lines);

private:
    Routes m_routes;
    ListView *m_fieldDifferences;
    ListView *m_addedDeleted;
    QPushButton *m_saveButton;
    QPushButton *m_backButton;
};

} // namespace kestrune
