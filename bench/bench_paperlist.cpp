// Times building the paper list of the application printer, as the printer settings dialog
// builds it on opening, for "Pellix PDF" and for the CUPS queues named on the command line.
// Binding the printer, which asks the print system for the queue's papers once, is timed on its
// own: the dialog finds the printer already bound.
#include "platform/qt/QtPrinters.h"
#include "printer/PrinterList.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Times {
    double best = 0;
    double median = 0;
};

// Best and median of the times of `timed`; `before` runs untimed before each.
Times timeIt(int repetitions, const std::function<void()>& timed,
             const std::function<void()>& before) {
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        before();
        QElapsedTimer timer;
        timer.start();
        timed();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_paperlist REPETITIONS [CUPS-QUEUE ...]\n");
        return 2;
    }
    const int repetitions = std::max(1, std::atoi(argv[1]));
    QStringList names{pellix::platform::kPdfPrinterName};
    for (int i = 2; i < argc; ++i) names << QString::fromLocal8Bit(argv[i]);

    pellix::platform::QtPrinterSystem printers;
    const QStringList installed = printers.installedPrinters();
    int failures = 0;
    for (const QString& name : names) {
        const int index = int(installed.indexOf(name));
        if (index < 0) {
            std::fprintf(stderr, "printer %s is not installed\n", qPrintable(name));
            ++failures;
            continue;
        }
        // Binding the printer that is bound changes nothing, so another printer is bound
        // before each timed binding.
        const int other = index == 0 ? 1 : 0;
        const Times bind = timeIt(
            repetitions, [&] { printers.bind(index); }, [&] { printers.bind(other); });
        qsizetype lines = 0;
        const Times list = timeIt(
            repetitions, [&] { lines = pellix::printer::paperLines(printers).size(); }, [] {});
        std::printf("%s\t%lld\t%.3f\t%.3f\t%.3f\t%.3f\n", qPrintable(name), (long long)lines,
                    list.best, list.median, bind.best, bind.median);
    }
    return failures ? 1 : 0;
}
