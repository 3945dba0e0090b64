#pragma once

#include "db/connectionstring.h"
#include "widgets/page.h"

#include <functional>

class QLineEdit;
class QPushButton;

namespace kestrune {

struct LoginSetting;

// The maker's home page, visited on about one start in a hundred (set when building).
inline constexpr const char *makerHomePage = KESTRUNE_HOME_PAGE;
// Where the tool that checks a login independently is downloaded.
inline constexpr const char *workbenchDownloadPage = "https://dev.mysql.com/downloads/workbench/";

// The login page: five login fields, each remembered as it changes, "Test Connection", "Help"
// and "Next >", which lists the database's tables for the table selection page.
class LoginPage : public Page {
    Q_OBJECT
public:
    // Where "Next >" hands on: each table name to the left and to the right list, then the page
    // to show.
    struct Routes {
        std::function<void(const QString &)> appendLeftTable;
        std::function<void(const QString &)> appendRightTable;
        std::function<void()> showTableSelection;
    };

    LoginPage(Seam &seam, Routes routes);

    void load();
    void onTestConnectionClicked();
    void onHelpClicked();
    void onNextClicked();

    LoginDetails loginDetails() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rememberChanges(QLineEdit *field, const LoginSetting &setting);
    bool loginWorks();

    Routes m_routes;
    QLineEdit *m_serverField;
    QLineEdit *m_portField;
    QLineEdit *m_userField;
    QLineEdit *m_passwordField;
    QLineEdit *m_databaseField;
    QPushButton *m_testConnectionButton;
    QPushButton *m_helpButton;
    QPushButton *m_nextButton;
    QString m_unsavedReason; // the last failure to remember a field, already shown
};

} // namespace kestrune
