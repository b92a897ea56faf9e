// Times opening a workbook and counting the rows of a query over it ("pellix"), or FreeXL
// alone reading every cell of the same workbook ("freexl"), and reports the process's peak
// memory. One mode per process, so that each peak is its own.
#include "datasource/RecordSource.h"

#include <freexl.h>
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

qint64 countWithPellix(const QString& path) {
    pellix::datasource::RecordSource source;
    if (!source.open(path, QStringLiteral("select バーコード,品名,名称,価格 from [sheet1$]")))
        return -1;
    qint64 rows = 0;
    if (!source.count(rows)) return -1;
    return rows;
}

qint64 readWithFreexl(const QString& path) {
    const void* handle = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        return -1;
    }
    unsigned int sheets = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    qint64 cells = 0;
    for (unsigned short s = 0; s < sheets; ++s) {
        freexl_select_active_worksheet(handle, s);
        unsigned int rows = 0;
        unsigned short cols = 0;
        freexl_worksheet_dimensions(handle, &rows, &cols);
        for (unsigned int r = 0; r < rows; ++r)
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) == FREEXL_OK &&
                    v.type != FREEXL_CELL_NULL)
                    ++cells;
            }
    }
    freexl_close(handle);
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_count pellix|freexl WORKBOOK [REPETITIONS]\n");
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const int reps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    std::vector<double> ms;
    qint64 result = 0;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        result = mode == QLatin1String("freexl") ? readWithFreexl(path) : countWithPellix(path);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (result < 0) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[1], argv[2]);
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // mode, result (rows or cells), best and median milliseconds, peak memory in KiB
    std::printf("%s %lld %.1f %.1f %ld\n", argv[1], static_cast<long long>(result), ms.front(),
                ms[ms.size() / 2], usage.ru_maxrss);
    return 0;
}
