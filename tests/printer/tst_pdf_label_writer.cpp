// The label writer of "Pellix PDF": recorded documents become PDF files on worker threads, stored
// in the order they were handed over, and a failure comes back once with nothing written after it.
#include "platform/qt/QtPrintersPdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QTest>
#include <atomic>
#include <chrono>
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
    std::atomic<bool> failed = false;

    Result store(const QString& dir, const QByteArray& bytes) {
        if (!bytes.startsWith("%PDF")) return Result::failure(ErrorKind::DocumentFailed, dir);
        std::lock_guard lock(mutex);
        names << dir;
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

}  // namespace

class tst_pdf_label_writer : public QObject {
    Q_OBJECT

  private slots:
    void filesFollowTheHandOverOrder();
    void flushWaitsForEveryDocument();
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

void tst_pdf_label_writer::failureComesBackOnceAndNothingAfterItIsWritten() {
    Stored stored;
    stored.failOn = QStringLiteral("a");
    PdfLabelWriter writer(
        2, [&](const QString& d, const QByteArray& b) { return stored.store(d, b); });
    QVERIFY(writer.submit(QStringLiteral("a"), kPage, 300, document()));
    // b is still being turned into PDF when a's failure is answered.
    QVERIFY(writer.submit(QStringLiteral("b"), kPage, 300, document(400)));
    QTRY_VERIFY(stored.failed);
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
