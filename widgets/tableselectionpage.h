#pragma once

#include "core/comparisonlines.h"
#include "db/connectionstring.h"
#include "widgets/page.h"

#include <functional>

class QPushButton;

namespace kestrune {

class ListView;

// The table selection page: every table of the database twice, side by side; "Next >" compares
// the two chosen tables and hands the lines on to be shown.
class TableSelectionPage : public Page {
    Q_OBJECT
public:
    // What the page asks of the rest of the wizard: the login to compare with, and where to go.
    struct Routes {
        std::function<LoginDetails()> loginDetails;
        std::function<void()> showLogin;
        std::function<void(ComparisonLines &&)> showResults;
    };

    TableSelectionPage(Seam &seam, Routes routes);

    void load();
    void onNextClicked(); // the comparison
    void onBackClicked();

    void appendLeftTable(const QString &name);
    void appendRightTable(const QString &name);

private:
    void compare();

    Routes m_routes;
    ListView *m_leftTables;
    ListView *m_rightTables;
    QPushButton *m_backButton;
    QPushButton *m_nextButton;
};

} // namespace kestrune
