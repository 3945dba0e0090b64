#pragma once

#include <memory>

namespace kestrune {

class Seam;
class Form1;
class Form2;
class Form3;

// The three pages of the wizard: each is created the first time anything touches it, runs its
// load step then, and is afterwards only shown and hidden. Closing any of them ends the program.
class Pages {
public:
    explicit Pages(Seam &seam);
    ~Pages();

    // Creates the login page, which runs its load step, and shows it unless that step moved on.
    void start();

    Form1 &form1();
    Form2 &form2();
    Form3 &form3();

    bool hasForm2() const { return m_form2 != nullptr; }
    bool hasForm3() const { return m_form3 != nullptr; }

private:
    Seam &m_seam;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
};

} // namespace kestrune
