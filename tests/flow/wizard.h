#pragma once

#include "app/pageflow.h"
#include "db/connectionstring.h"
#include "support/confighome.h"
#include "support/scriptedseam.h"

namespace kestrune {

class ListView;

// The whole program on a scripted seam and a settings store of its own, logged in to a database
// and standing on the table selection page.
class Wizard {
public:
    explicit Wizard(const LoginDetails &login);

    // Picks the tables by name on the selection page and presses "Next >".
    void compare(const QString &table1, const QString &table2);
    QStringList fieldDifferences();
    QStringList addedDeleted();

private:
    ConfigHome m_config; // before the pages, which read it

public:
    ScriptedSeam seam;
    PageFlow pages { seam };
};

QStringList itemsOf(const ListView &list);
void clickItem(ListView &list, int position);

} // namespace kestrune
