// The label writer of "Pellix PDF": recorded documents become PDF files on worker threads, stored
// in the order they were handed over, and a failure comes back once with nothing written after it.
#include "platform/qt/QtPrintersPdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

using namespace pellix;
using platform::PageOperation;
using platform::PdfLabelWriter;

namespace {

const QPageLayout kPage(QPageSize(QSizeF(50, 40), QPageSize::Millimeter), QPageLayout::Portrait,
                        QMarginsF());

// What the writer stored, by the folder name each document was handed over with.
struct Stored {
    std::mutex mutex;
    QStringList names;
    QString failOn;  // the store of this document fails
    std::map<QString, QByteArray> bytes;
    std::atomic<bool> failed = false;

    Result store(const QString& dir, const QByteArray& bytes) {
        if (!bytes.startsWith("%PDF")) return Result::failure(ErrorKind::DocumentFailed, dir);
        std::lock_guard lock(mutex);
        names << dir;
        this->bytes[dir] = bytes;
        if (dir == failOn) {
            failed = true;
            return Result::failure(ErrorKind::DocumentFailed, QStringLiteral("%1 失敗").arg(dir));
        }
        return Result::success();
    }
    QStringList all() {
        std::lock_guard lock(mutex);
        return names;
    }
};

// A document with a line, which takes the given time to be turned into its PDF.
std::vector<PageOperation> document(int milliseconds = 0) {
    std::vector<PageOperation> ops;
    ops.push_back([milliseconds](QPainter& p, QPdfWriter&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        p.drawLine(0, 0, 100, 100);
    });
    return ops;
}

// A document of the given pages, each with its text, drawn as a painter records it.
std::vector<PageOperation> textDocument(const QStringList& pageTexts, int& pages) {
    platform::RecordingDevice device(kPage, 300);
    QPainter p(&device);
    p.setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    for (int i = 0; i < pageTexts.size(); ++i) {
        if (i > 0) device.newPage();
        p.drawText(QPointF(50, 100), pageTexts[i]);
    }
    p.end();
    pages = device.pages();
    return device.takeOperations();
}

QString run(const QString& program, const QStringList& args, QString* errors = nullptr) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000)) return {};
    if (errors) *errors = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class tst_pdf_label_writer : public QObject {
    Q_OBJECT

  private slots:
    void filesFollowTheHandOverOrder();
    void flushWaitsForEveryDocument();
    void documentsWrittenTogetherAreEachAFileOfTheirOwn();
    void failureComesBackOnceAndNothingAfterItIsWritten();
};

void tst_pdf_label_writer::filesFollowTheHandOverOrder() {
    Stored stored;
    PdfLabelWriter writer(
        3, [&](const QString& d, const QByteArray& b) { return stored.store(d, b); });
    // The first document takes longest, so the others are ready before it.
    QStringList expected;
    for (int i = 0; i < 5; ++i) {
        expected << QString::number(i);
        QVERIFY(writer.submit(expected.last(), kPage, 300, document(i == 0 ? 300 : 0)));
    }
    QVERIFY(writer.flush());
    QCOMPARE(stored.all(), expected);
}

void tst_pdf_label_writer::flushWaitsForEveryDocument() {
    Stored stored;
    PdfLabelWriter writer(
        2, [&](const QString& d, const QByteArray& b) { return stored.store(d, b); });
    QVERIFY(writer.submit(QStringLiteral("a"), kPage, 300, document(200)));
    QVERIFY(writer.submit(QStringLiteral("b"), kPage, 300, document(100)));
    QVERIFY(writer.flush());
    QCOMPARE(stored.all(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

void tst_pdf_label_writer::documentsWrittenTogetherAreEachAFileOfTheirOwn() {
    Stored stored;
    PdfLabelWriter writer(
        1, [&](const QString& d, const QByteArray& b) { return stored.store(d, b); });
    // While the one worker is busy with the first document, the others wait and are then
    // written together; one of them has two pages.
    QVERIFY(writer.submit(QStringLiteral("first"), kPage, 300, document(300)));
    const QList<QStringList> texts{{QStringLiteral("りんご")},
                                   {QStringLiteral("みかん"), QStringLiteral("ぶどう")},
                                   {QStringLiteral("もも")}};
    for (const QStringList& pageTexts : texts) {
        int pages = 0;
        auto ops = textDocument(pageTexts, pages);
        QVERIFY(writer.submit(pageTexts.first(), kPage, 300, std::move(ops), pages));
    }
    QVERIFY(writer.flush());
    QTemporaryDir dir;
    for (const QStringList& pageTexts : texts) {
        const QString pdf = dir.filePath(pageTexts.first() + QStringLiteral(".pdf"));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stored.bytes[pageTexts.first()]);
        file.close();
        QString errors;
        const QString info = run(QStringLiteral("pdfinfo"), {pdf}, &errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        QVERIFY2(info.contains(
                     QRegularExpression(QStringLiteral("Pages:\\s+%1\n").arg(pageTexts.size()))),
                 qPrintable(info));
        // Each page holds its own text, and no other document's.
        for (int page = 1; page <= pageTexts.size(); ++page) {
            const QString text =
                run(QStringLiteral("pdftotext"),
                    {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                     QString::number(page), pdf, QStringLiteral("-")})
                    .simplified();
            QCOMPARE(text, pageTexts[page - 1]);
        }
    }
}

void tst_pdf_label_writer::failureComesBackOnceAndNothingAfterItIsWritten() {
    Stored stored;
    stored.failOn = QStringLiteral("a");
    PdfLabelWriter writer(
        2, [&](const QString& d, const QByteArray& b) { return stored.store(d, b); });
    // a fails only once b has been handed over, and b is still being turned into PDF when a's
    // failure is answered.
    QVERIFY(writer.submit(QStringLiteral("a"), kPage, 300, document(150)));
    QVERIFY(writer.submit(QStringLiteral("b"), kPage, 300, document(400)));
    QTRY_VERIFY(stored.failed);
    QTest::qWait(50);  // the writer takes the store's answer just after it returns
    const Result answer = writer.submit(QStringLiteral("c"), kPage, 300, document());
    QVERIFY(!answer);
    QCOMPARE(answer.message, QStringLiteral("a 失敗"));
    QVERIFY(writer.flush());  // answered once
    QCOMPARE(stored.all(), QStringList{QStringLiteral("a")});
    // The next run writes again.
    QVERIFY(writer.submit(QStringLiteral("d"), kPage, 300, document()));
    QVERIFY(writer.flush());
    QCOMPARE(stored.all(), (QStringList{QStringLiteral("a"), QStringLiteral("d")}));
}

QTEST_MAIN(tst_pdf_label_writer)
#include "tst_pdf_label_writer.moc"
