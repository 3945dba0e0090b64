#include "app/pageflow.h"

#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QCoreApplication>

namespace kestrune {

namespace {

template <typename P> P &created(std::unique_ptr<P> &page, std::unique_ptr<P> made)
{
    page = std::move(made);
    QObject::connect(page.get(), &Page::closedByUser, qApp, &QCoreApplication::quit);
    page->load();
    return *page;
}

} // namespace

PageFlow::PageFlow(Seam &seam)
    : m_seam(seam)
{
}

PageFlow::~PageFlow() = default;

void PageFlow::start()
{
    LoginPage &login = loginPage();
    bool movedOn = m_tableSelection && m_tableSelection->isVisible();
    if (!movedOn)
        login.show();
}

LoginPage &PageFlow::loginPage()
{
    if (m_login)
        return *m_login;
    LoginPage::Routes routes {
        [this](const QString &name) { tableSelectionPage().appendLeftTable(name); },
        [this](const QString &name) { tableSelectionPage().appendRightTable(name); },
        [this] { tableSelectionPage().show(); },
    };
    return created(m_login, std::make_unique<LoginPage>(m_seam, std::move(routes)));
}

TableSelectionPage &PageFlow::tableSelectionPage()
{
    if (m_tableSelection)
        return *m_tableSelection;
    TableSelectionPage::Routes routes {
        [this] { return loginPage().loginDetails(); },
        [this] { loginPage().show(); },
        [this](ComparisonLines &&lines) {
            ResultsPage &results = resultsPage();
            results.appendLines(std::move(lines));
            results.show();
        },
    };
    return created(
        m_tableSelection, std::make_unique<TableSelectionPage>(m_seam, std::move(routes)));
}

ResultsPage &PageFlow::resultsPage()
{
    if (m_results)
        return *m_results;
    ResultsPage::Routes routes { [this] { tableSelectionPage().show(); } };
    return created(m_results, std::make_unique<ResultsPage>(m_seam, std::move(routes)));
}

} // namespace kestrune
