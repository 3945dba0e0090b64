#include "app/commandline.h"

#include <QTest>

using namespace kestrune;

Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void texts();
};

void CommandLineTest::parse_data()
{
    using Action = CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("error");

    QTest::newRow("none opens the wizard") << QStringList {} << Action::OpenWizard << "";
    QTest::newRow("help") << QStringList { "--help" } << Action::ShowHelp << "";
    QTest::newRow("version") << QStringList { "--version" } << Action::ShowVersion << "";
    QTest::newRow("help wins over version")
        << QStringList { "--version", "--help" } << Action::ShowHelp << "";
    QTest::newRow("unknown option")
        << QStringList { "--compare" } << Action::Refuse << "unrecognized option '--compare'";
    QTest::newRow("Qt's own options are not taken") << QStringList { "-platform",
        "offscreen" } << Action::Refuse << "unrecognized option '-platform'";
    QTest::newRow("a lone dash") << QStringList { "-" } << Action::Refuse
                                 << "unexpected argument '-'";
    QTest::newRow("an operand after --")
        << QStringList { "--", "--help" } << Action::Refuse << "unexpected argument '--help'";
    QTest::newRow("only --") << QStringList { "--" } << Action::OpenWizard << "";
    QTest::newRow("a value for a flag") << QStringList { "--version=2" } << Action::Refuse
                                        << "option '--version' does not take a value";
}

void CommandLineTest::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, error);

    std::vector<std::string> args;
    for (const QString &argument : arguments)
        args.push_back(argument.toStdString());
    CommandLine parsed = parseCommandLine(args);
    QCOMPARE(parsed.action, action);
    QCOMPARE(QString::fromStdString(parsed.error), error);

    // The argv form reads the same arguments after the program name.
    std::vector<const char *> argv { "kestrune" };
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    CommandLine fromArgv = parseCommandLine(int(argv.size()), argv.data());
    QCOMPARE(fromArgv.action, action);
    QCOMPARE(QString::fromStdString(fromArgv.error), error);
}

void CommandLineTest::texts()
{
    QCOMPARE(QString::fromStdString(versionText()),
        QStringLiteral("kestrune " KESTRUNE_EXPECTED_VERSION "\n"));
    QVERIFY(QString::fromStdString(usageText()).startsWith("Usage: kestrune "));
}

QTEST_APPLESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
