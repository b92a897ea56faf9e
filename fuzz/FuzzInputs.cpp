#include "FuzzInputs.h"

#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"
#include "platform/Barcode.h"
#include "settings/Cp932.h"
#include "settings/SettingsFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>

#ifndef PELLIX_SAMPLE_WORKBOOK
#error PELLIX_SAMPLE_WORKBOOK names the workbook the query texts run over
#endif

namespace pellix::fuzz {

namespace {

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

}  // namespace

void readSettingsFile(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QByteArray bytes = bytesOf(data, size);
    (void)settings::fromCp932(bytes);

    const QString name = QStringLiteral("pimraconfig.txt");
    const QString path = folder.path() + u'/' + name;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(bytes);
    }
    for (const int fields : {settings::kDatabaseFields, settings::kPositionFields}) {
        QStringList values;
        (void)settings::readValueRecord(path, fields, values);
        settings::SequentialReader reader;
        if (reader.open(path)) {
            QStringList first;
            while (reader.read(fields, first)) first.clear();
        }
    }
    settings::TableRow row;
    (void)settings::queryTable(folder.path(), QStringLiteral("Select * From ") + name, row);
    (void)row.value(QStringLiteral("size2"));
    (void)settings::queryTable(folder.path(), QStringLiteral("Select SIZE1,SIZE3 From ") + name,
                               row);
}

void runQueryText(const std::uint8_t* data, std::size_t size) {
    using namespace datasource;
    static const std::shared_ptr<Workbook> workbook = [] {
        auto wb = std::make_shared<Workbook>();
        QFile file(QStringLiteral(PELLIX_SAMPLE_WORKBOOK));
        if (!file.open(QIODevice::ReadOnly) || !wb->openBytes(file.readAll(), file.fileName()))
            std::abort();
        return wb;
    }();
    RecordSource::Options options;
    options.timeLimitMs = 2000;
    RecordSource source;
    if (!source.open(workbook, QString::fromUtf8(bytesOf(data, size)), options)) return;
    (void)source.columnNames();
    qint64 rows = 0;
    (void)source.count(rows);
    for (int i = 0; i < 256 && !source.atEnd(); ++i) {
        (void)source.record();
        for (int c = 0; c < source.columnCount(); ++c) (void)source.value(c);
        if (!source.moveNext()) break;
    }
}

void makeBarcode(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return;
    const auto parameter = [](std::uint8_t b) { return std::int16_t(std::int8_t(b)); };
    const std::int16_t p1 = parameter(data[0]);
    const std::int16_t p2 = parameter(data[1]);
    const std::int16_t p3 = parameter(data[2]);
    const QByteArray text = bytesOf(data + 3, size - 3);
    (void)platform::janDigits(text);
    platform::PictureSlot slot;
    if (platform::BarcodeCopy(text, p1, p2, p3, slot) && slot.picture) {
        (void)slot.picture->naturalSizeMm();
        QImage page(200, 80, QImage::Format_RGB32);
        QPainter painter(&page);
        slot.picture->paint(painter, QRectF(1, 1, 150, 60));
    }
    QImage box(120, 60, QImage::Format_RGB32);
    QPainter painter(&box);
    (void)platform::BarcodeDisplay2(text, 0, 0, p1, p2, p3, painter);
}

}  // namespace pellix::fuzz
