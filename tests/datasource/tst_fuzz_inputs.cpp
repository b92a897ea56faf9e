// Every kept input of the settings, query and barcode fuzz targets, seeds and former findings,
// read again as the fuzz targets read it: each must be read or refused cleanly (under the
// sanitizers in the sanitizer build).
#include "FuzzInputs.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class tst_fuzz_inputs : public QObject {
    Q_OBJECT
  private slots:
    void keptInputs_data();
    void keptInputs();
};

void tst_fuzz_inputs::keptInputs_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("path");
    for (const char* input : {"settings", "query", "barcode"})
        for (const char* kind : {"seeds", "regressions"}) {
            const QDir dir(QStringLiteral(PELLIX_FUZZ_DIR "/%1/%2")
                               .arg(QLatin1String(kind), QLatin1String(input)));
            for (const QString& f : dir.entryList(QDir::Files))
                QTest::addRow("%s/%s/%s", kind, input, qPrintable(f))
                    << QString::fromLatin1(input) << dir.filePath(f);
        }
}

void tst_fuzz_inputs::keptInputs() {
    QFETCH(QString, input);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = std::size_t(bytes.size());
    if (input == QLatin1String("settings"))
        pellix::fuzz::readSettingsFile(data, size);
    else if (input == QLatin1String("query"))
        pellix::fuzz::runQueryText(data, size);
    else
        pellix::fuzz::makeBarcode(data, size);
}

QTEST_GUILESS_MAIN(tst_fuzz_inputs)
#include "tst_fuzz_inputs.moc"
