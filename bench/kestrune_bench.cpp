// Measures the program as a user meets it, one measurement a process, and prints key=value lines
// for scripts/bench:
//   kestrune_bench compare SERVER PORT USER PASSWORD DATABASE TABLE1 TABLE2 SAVE_PATH
//     logs in, presses "Next >" on the two tables and times it until the results page has
//     painted with every line; then saves the results through "Save Results As Text File".
//   kestrune_bench list LINES
//     appends LINES result lines to a results list, then drags it from top to bottom, timing
//     every step together with its repaint.

#include "app/pageflow.h"
#include "core/textlines.h"
#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/seam.h"
#include "widgets/tableselectionpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace kestrune;

// Answers the save dialog with a fixed path and keeps every message, so an unexpected box fails
// the run instead of waiting for a click.
class BenchSeam : public Seam {
public:
    void showMessage(const QString &text, const QString &, Icon) override { messages << text; }
    QString askSaveFileName(const QString &, const QString &) override { return savePath; }
    void openUrl(const QUrl &) override { }
    int drawOneToHundred() override { return 1; }

    QStringList messages;
    QString savePath;
};

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "kestrune_bench: %s\n", qPrintable(why));
    std::exit(1);
}

// A page's control found by its object name, as a user's script would know it.
template <typename W> W *control(const QWidget &page, const char *objectName)
{
    auto *found = page.findChild<W *>(QString::fromLatin1(objectName));
    if (!found)
        fail(QStringLiteral("%1 has no %2 named %3")
                 .arg(page.objectName(), QLatin1String(W::staticMetaObject.className()),
                     QLatin1String(objectName)));
    return found;
}

double seconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

long peakResidentBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

int positionOf(const ListView &list, const QString &name)
{
    for (int i = 1; i <= list.count(); ++i) {
        if (list.itemText(i) == name)
            return i;
    }
    fail(QStringLiteral("table %1 is not listed").arg(name));
}

int compare(char **argv)
{
    BenchSeam seam;
    seam.savePath = QString::fromLocal8Bit(argv[7]);
    PageFlow pages(seam);
    pages.start();
    LoginPage &loginPage = pages.loginPage();
    control<QLineEdit>(loginPage, "Text1")->setText(QString::fromLocal8Bit(argv[0]));
    control<QLineEdit>(loginPage, "Text5")->setText(QString::fromLocal8Bit(argv[1]));
    control<QLineEdit>(loginPage, "Text2")->setText(QString::fromLocal8Bit(argv[2]));
    control<QLineEdit>(loginPage, "Text3")->setText(QString::fromLocal8Bit(argv[3]));
    control<QLineEdit>(loginPage, "Text4")->setText(QString::fromLocal8Bit(argv[4]));
    control<QPushButton>(loginPage, "PushButton3")->click();
    if (!seam.messages.isEmpty())
        fail(QStringLiteral("logging in showed: ") + seam.messages.join(QStringLiteral(" | ")));

    TableSelectionPage &selectionPage = pages.tableSelectionPage();
    control<ListView>(selectionPage, "ListView1")
        ->select(positionOf(
            *control<ListView>(selectionPage, "ListView1"), QString::fromLocal8Bit(argv[5])));
    control<ListView>(selectionPage, "ListView2")
        ->select(positionOf(
            *control<ListView>(selectionPage, "ListView2"), QString::fromLocal8Bit(argv[6])));
    ResultsPage &resultsPage = pages.resultsPage();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    control<QPushButton>(selectionPage, "PushButton3")->click();
    resultsPage.repaint();
    const double compareSeconds = seconds(timer);
    const long peak = peakResidentBytes();
    if (!seam.messages.isEmpty() || !resultsPage.isVisible())
        fail(QStringLiteral("the comparison showed: ") + seam.messages.join(QStringLiteral(" | ")));

    timer.start();
    control<QPushButton>(resultsPage, "PushButton1")->click();
    const double exportSeconds = seconds(timer);
    if (seam.messages != QStringList { QStringLiteral("Done.") })
        fail(QStringLiteral("the save showed: ") + seam.messages.join(QStringLiteral(" | ")));

    std::printf("compare_seconds=%.6f\npeak_rss_bytes=%ld\nfield_differences=%d\n"
                "added_deleted=%d\nexport_seconds=%.6f\nexport_bytes=%lld\n",
        compareSeconds, peak, control<ListView>(resultsPage, "ListView1")->count(),
        control<ListView>(resultsPage, "ListView2")->count(), exportSeconds,
        static_cast<long long>(QFileInfo(seam.savePath).size()));
    return 0;
}

// Lines shaped like the engine's, of varied length.
TextLines resultLines(std::size_t count)
{
    TextLines lines;
    std::string line;
    unsigned state = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        line = "Record " + std::to_string(i / 7 + 1) + ",Field \"note\" has changed from \"";
        line.append(10 + state % 50, static_cast<char>('a' + i % 26));
        line += "\" to \"";
        line.append(10 + (state >> 8) % 50, static_cast<char>('A' + i % 26));
        line += '"';
        lines.append(line);
    }
    return lines;
}

int list(char **argv)
{
    const std::size_t count = std::strtoull(argv[0], nullptr, 10);
    BenchSeam seam;
    PageFlow pages(seam);
    ResultsPage &resultsPage = pages.resultsPage();
    resultsPage.show();
    QCoreApplication::processEvents();
    ListView &view = *control<ListView>(resultsPage, "ListView1");
    TextLines lines = resultLines(count);

    QElapsedTimer timer;
    timer.start();
    view.addItems(lines);
    view.viewport()->repaint();
    const double appendSeconds = seconds(timer);
    if (view.count() != static_cast<int>(count))
        fail(QStringLiteral("the list holds %1 lines").arg(view.count()));

    // A drag of the scroll bar from top to bottom: every step shows rows not seen before.
    QScrollBar &bar = *view.verticalScrollBar();
    const int steps = 2000;
    std::vector<double> repaints;
    for (int step = 0; step <= steps; ++step) {
        timer.start();
        bar.setValue(static_cast<int>(static_cast<long long>(bar.maximum()) * step / steps));
        view.viewport()->repaint();
        repaints.push_back(seconds(timer));
    }
    if (bar.value() != bar.maximum())
        fail(QStringLiteral("the list did not reach its end"));
    std::sort(repaints.begin(), repaints.end());
    std::printf("append_seconds=%.6f\nslowest_repaint_seconds=%.6f\nmedian_repaint_seconds=%.6f\n",
        appendSeconds, repaints.back(), repaints[repaints.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The settings store of a throw-away folder, so the user's remembered login stays untouched.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "compare" && argc == 10)
        return compare(argv + 2);
    if (mode == "list" && argc == 3)
        return list(argv + 2);
    std::fprintf(stderr,
        "usage: kestrune_bench compare SERVER PORT USER PASSWORD DATABASE TABLE1 TABLE2 SAVE_PATH\n"
        "       kestrune_bench list LINES\n");
    return 2;
}
