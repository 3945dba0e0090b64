#include "app/pages.h"

#include "compare/tableselectionpage.h"
#include "db/loginpage.h"
#include "results/resultspage.h"

#include <QCoreApplication>

namespace kestrune {

namespace {

template <typename Form> void endProgramWhenClosed(Form &form)
{
    QObject::connect(&form, &Page::closedByUser, qApp, &QCoreApplication::quit);
}

} // namespace

Pages::Pages(Seam &seam)
    : m_seam(seam)
{
}

Pages::~Pages() = default;

void Pages::start()
{
    Form1 &login = form1();
    bool movedOn = m_form2 && m_form2->isVisible();
    if (!movedOn)
        login.show();
}

Form1 &Pages::form1()
{
    if (!m_form1) {
        m_form1 = std::make_unique<Form1>(m_seam, *this);
        endProgramWhenClosed(*m_form1);
        m_form1->Form_Load();
    }
    return *m_form1;
}

Form2 &Pages::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_seam, *this);
        endProgramWhenClosed(*m_form2);
        m_form2->Form_Load();
    }
    return *m_form2;
}

Form3 &Pages::form3()
{
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(m_seam, *this);
        endProgramWhenClosed(*m_form3);
        m_form3->Form_Load();
    }
    return *m_form3;
}

} // namespace kestrune
