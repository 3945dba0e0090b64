// Measures the program as a user meets it, one measurement a process, and prints key=value lines
// for scripts/bench:
//   kestrune_bench compare SERVER PORT USER PASSWORD DATABASE TABLE1 TABLE2 SAVE_PATH
//     logs in, presses "Next >" on the two tables and times it until the results page has
//     painted with every line; then saves the results through "Save Results As Text File".
//   kestrune_bench list LINES
//     appends LINES result lines to a results list, then drags it from top to bottom, timing
//     every step together with its repaint.

#include "app/pages.h"
#include "app/seam.h"
#include "compare/tableselectionpage.h"
#include "db/loginpage.h"
#include "results/resultspage.h"
#include "results/textlines.h"
#include "ui/listview.h"

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
    Pages pages(seam);
    pages.start();
    Form1 &form1 = pages.form1();
    form1.Text1->setText(QString::fromLocal8Bit(argv[0]));
    form1.Text5->setText(QString::fromLocal8Bit(argv[1]));
    form1.Text2->setText(QString::fromLocal8Bit(argv[2]));
    form1.Text3->setText(QString::fromLocal8Bit(argv[3]));
    form1.Text4->setText(QString::fromLocal8Bit(argv[4]));
    form1.PushButton3->click();
    if (!seam.messages.isEmpty())
        fail(QStringLiteral("logging in showed: ") + seam.messages.join(QStringLiteral(" | ")));

    Form2 &form2 = pages.form2();
    form2.ListView1->select(positionOf(*form2.ListView1, QString::fromLocal8Bit(argv[5])));
    form2.ListView2->select(positionOf(*form2.ListView2, QString::fromLocal8Bit(argv[6])));
    Form3 &form3 = pages.form3();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    form2.PushButton3->click();
    form3.repaint();
    const double compareSeconds = seconds(timer);
    const long peak = peakResidentBytes();
    if (!seam.messages.isEmpty() || !form3.isVisible())
        fail(QStringLiteral("the comparison showed: ") + seam.messages.join(QStringLiteral(" | ")));

    timer.start();
    form3.PushButton1->click();
    const double exportSeconds = seconds(timer);
    if (seam.messages != QStringList { QStringLiteral("Done.") })
        fail(QStringLiteral("the save showed: ") + seam.messages.join(QStringLiteral(" | ")));

    std::printf("compare_seconds=%.6f\npeak_rss_bytes=%ld\nfield_differences=%d\n"
                "added_deleted=%d\nexport_seconds=%.6f\nexport_bytes=%lld\n",
        compareSeconds, peak, form3.ListView1->count(), form3.ListView2->count(), exportSeconds,
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
        line.append(10 + state % 50, 'a' + static_cast<char>(i % 26));
        line += "\" to \"";
        line.append(10 + (state >> 8) % 50, 'A' + static_cast<char>(i % 26));
        line += '"';
        lines.append(line);
    }
    return lines;
}

int list(char **argv)
{
    const std::size_t count = std::strtoull(argv[0], nullptr, 10);
    BenchSeam seam;
    Pages pages(seam);
    Form3 &form3 = pages.form3();
    form3.show();
    QCoreApplication::processEvents();
    ListView &view = *form3.ListView1;
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
