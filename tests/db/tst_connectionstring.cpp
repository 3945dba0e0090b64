#include "db/connectionstring.h"

#include <QTest>

using namespace kestrune;

class ConnectionStringTest : public QObject {
    Q_OBJECT

private slots:
    void build_data();
    void build();
};

void ConnectionStringTest::build_data()
{
    QTest::addColumn<QStringList>("fields"); // server, user, password, database, port
    QTest::addColumn<QString>("expected");

    QTest::newRow("first start defaults")
        << QStringList { "localhost", "", "", "", "3306" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=localhost;USER=;PASSWORD=;DATABASE=;PORT=3306;";
    QTest::newRow("every field in its place")
        << QStringList { "db.example", "kes", "pw", "shop", "33061" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=db.example;USER=kes;PASSWORD=pw;DATABASE=shop;"
           "PORT=33061;";
    QTest::newRow("all empty") << QStringList { "", "", "", "", "" }
                               << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=;USER=;PASSWORD=;"
                                  "DATABASE=;PORT=;";
    QTest::newRow("semicolon braced") << QStringList { "h", "u", "p;w", "d",
        "1" } << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD={p;w};DATABASE=d;PORT=1;";
    QTest::newRow("closing brace doubled")
        << QStringList { "h", "u", "p}w}", "d", "1" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD={p}}w}}};DATABASE=d;PORT=1;";
    QTest::newRow("opening brace braced") << QStringList { "h", "{u", "p", "d",
        "1" } << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER={{u};PASSWORD=p;DATABASE=d;PORT=1;";
    QTest::newRow("leading and trailing blanks kept in braces")
        << QStringList { " h", "u ", "\tp", "d", " " }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER={ h};USER={u };PASSWORD={\tp};DATABASE=d;"
           "PORT={ };";
    QTest::newRow("inner blank verbatim")
        << QStringList { "h", "u", "a b", "my db", "1" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD=a b;DATABASE=my db;PORT=1;";
    QTest::newRow("equals sign verbatim") << QStringList { "h", "u", "a=b==", "d",
        "1" } << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD=a=b==;DATABASE=d;PORT=1;";
    QTest::newRow("non-Latin verbatim")
        << QStringList { "h", "Jürgen", "пароль", "東京", "1" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=Jürgen;PASSWORD=пароль;DATABASE=東京;"
           "PORT=1;";
    QTest::newRow("injected key stays inside the value")
        << QStringList { "h", "u", "x;DATABASE=other", "d", "1" }
        << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD={x;DATABASE=other};"
           "DATABASE=d;PORT=1;";
    QTest::newRow("port never checked") << QStringList { "h", "u", "p", "d",
        "abc" } << "DRIVER={MySQL ODBC 5.1 Driver};SERVER=h;USER=u;PASSWORD=p;DATABASE=d;PORT=abc;";
}

void ConnectionStringTest::build()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, expected);

    LoginDetails login;
    login.server = fields[0].toStdString();
    login.user = fields[1].toStdString();
    login.password = fields[2].toStdString();
    login.database = fields[3].toStdString();
    login.port = fields[4].toStdString();
    QCOMPARE(QString::fromStdString(buildConnectionString(login)), expected);
}

QTEST_APPLESS_MAIN(ConnectionStringTest)
#include "tst_connectionstring.moc"
