// Times opening a workbook of any format read and counting the rows of a query over it, and
// reports the process's peak memory. One workbook per process, so that each peak is its own.
#include "datasource/RecordSource.h"

#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_formats WORKBOOK [REPETITIONS]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    std::vector<double> ms;
    qint64 rows = 0;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        pellix::datasource::RecordSource source;
        // A text file answers to any sheet name.
        if (!source.open(path, QStringLiteral("select バーコード,品名,名称,価格 from [sheet1$]")) ||
            !source.count(rows)) {
            std::fprintf(stderr, "cannot read %s\n", argv[1]);
            return 1;
        }
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // rows, best and median milliseconds, peak memory in KiB
    std::printf("%lld %.1f %.1f %ld\n", static_cast<long long>(rows), ms.front(), ms[ms.size() / 2],
                usage.ru_maxrss);
    return 0;
}
