#pragma once

#include <memory>

namespace kestrune {

class Seam;
class LoginPage;
class TableSelectionPage;
class ResultsPage;

// The wizard's three pages and all that passes between them. Each page is created the first time
// anything touches it, runs its load step then, and is afterwards only shown and hidden. Closing
// any of them ends the program.
class PageFlow {
public:
    explicit PageFlow(Seam &seam);
    ~PageFlow();

    // Creates the login page, which runs its load step, and shows it unless that step moved on.
    void start();

    LoginPage &loginPage();
    TableSelectionPage &tableSelectionPage();
    ResultsPage &resultsPage();

private:
    Seam &m_seam;
    std::unique_ptr<LoginPage> m_login;
    std::unique_ptr<TableSelectionPage> m_tableSelection;
    std::unique_ptr<ResultsPage> m_results;
};

} // namespace kestrune
