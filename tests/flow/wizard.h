#pragma once

#include "app/pages.h"
#include "db/connectionstring.h"
#include "support/scriptedseam.h"

#include <QTemporaryDir>

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

    ScriptedSeam seam;
    Pages pages { seam };

private:
    QTemporaryDir m_config;
};

QStringList itemsOf(const ListView &list);
void clickItem(ListView &list, int position);

} // namespace kestrune
