// Prints the first N records of a workbook as labels through the label renderer to the built-in
// "Pellix PDF" printer (its folder from PELLIX_PDF_DIR), one document per label as a print run
// does, and reports the wall time per label and the process's peak memory.
#include "datasource/RecordSource.h"
#include "platform/Barcode.h"
#include "platform/Fonts.h"
#include "platform/PrinterSystem.h"
#include "platform/qt/QtPrinters.h"
#include "printing/Module1.h"

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace pellix;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_labels WORKBOOK N\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int n = std::max(1, std::atoi(argv[2]));

    // The records first, so that the time is the printing's alone.
    datasource::RecordSource source;
    if (Result r =
            source.open(path, QStringLiteral("select バーコード,品名,名称,価格 from [sheet1$]"));
        !r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.message));
        return 1;
    }
    std::vector<printing::LabelJob> jobs;
    for (; !source.atEnd() && int(jobs.size()) < n; (void)source.moveNext()) {
        const datasource::Record rec = source.record();
        printing::LabelJob job;
        job.title1 = QStringLiteral("価格ラベル");
        job.title2 = QStringLiteral("税込価格");
        job.value = rec.barcode().value_or(QString());
        job.itemName = rec.itemName().value_or(QString());
        job.name = rec.name().value_or(QString());
        job.price = rec.price().value_or(QStringLiteral("0"));
        job.janSource = job.value;
        job.originX = QStringLiteral("10");
        job.originY = QStringLiteral("20");
        job.sizeAdjustment = QStringLiteral("0");
        job.baseFont = platform::namedFont(platform::kPGothic, 9);
        job.picture = platform::encodeBarcode("JAN-" + job.value.toLatin1(), 5, 25, 1);
        jobs.push_back(std::move(job));
    }

    platform::QtPrinterSystem printers;
    if (!printers.bind(int(printers.installedPrinters().indexOf(platform::kPdfPrinterName)))) {
        std::fprintf(stderr, "no PDF printer\n");
        return 1;
    }
    printing::RunControl run;
    run.service = [] { QCoreApplication::processEvents(); };

    QElapsedTimer t;
    t.start();
    for (const printing::LabelJob& job : jobs) {
        if (Result r = printing::Module1::print_label(job, run, printers); !r) {
            std::fprintf(stderr, "%s\n", qPrintable(r.message));
            return 1;
        }
    }
    if (Result r = printers.flush(); !r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.message));
        return 1;
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // labels, total milliseconds, milliseconds per label, peak memory in KiB
    std::printf("%d %.1f %.2f %ld\n", int(jobs.size()), ms, ms / double(jobs.size()),
                usage.ru_maxrss);
    return 0;
}
