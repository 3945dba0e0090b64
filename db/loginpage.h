#pragma once

#include "db/connectionstring.h"
#include "ui/page.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrune {

class Pages;

// The maker's home page, visited on about one start in a hundred.
inline constexpr const char *makerHomePage = "https://www.vandrell.example/kestrune/";
// Where the tool that checks a login independently is downloaded.
inline constexpr const char *workbenchDownloadPage = "https://dev.mysql.com/downloads/workbench/";

// The login page: five login fields, each remembered as it changes, "Test Connection", "Help"
// and "Next >", which lists the database's tables on the table selection page.
class Form1 : public Page {
    Q_OBJECT
public:
    Form1(Seam &seam, Pages &pages);

    void Form_Load();
    void PushButton5_Click(); // Test Connection
    void PushButton2_Click(); // Help
    void PushButton3_Click(); // Next >

    LoginDetails loginDetails() const;

    QGroupBox *Frame1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label9;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QLineEdit *Text4;
    QLineEdit *Text5;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QPushButton *PushButton5;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rememberChanges(QLineEdit *field, const QString &key);

    Pages &m_pages;
    QString m_unsavedReason; // the last failure to remember a field, already shown
};

} // namespace kestrune
