#pragma once

#include "platform/Result.h"

#include <QPageLayout>
#include <QPaintDevice>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QPainter;
class QPdfWriter;

namespace pellix::platform {

// One painting operation of a recorded page, played onto a painter on the PDF writer.
using PageOperation = std::function<void(QPainter&, QPdfWriter&)>;

// A paint device with the size and resolution of a printer page that keeps what is painted on
// it instead of drawing it, so that the drawing can be played later onto a PDF writer on
// another thread. Every value kept is a copy of its own (fonts are rebuilt from their
// description), so the thread that draws and the thread that plays share no font engine.
class RecordingDevice final : public QPaintDevice {
  public:
    RecordingDevice(const QPageLayout& layout, int dpi);
    ~RecordingDevice() override;

    QPaintEngine* paintEngine() const override;
    // Ends the current page and starts a new one.
    void newPage();
    // The operations recorded so far; the device keeps none afterwards.
    std::vector<PageOperation> takeOperations();
    // Pages of the recording so far.
    int pages() const { return pages_; }

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    class Engine;
    QPageLayout layout_;
    int dpi_;
    int pages_ = 1;
    std::unique_ptr<Engine> engine_;
};

// Splits a PDF made by the PDF writer into documents of the given numbers of pages, in order:
// each a complete PDF with its pages and what they use (fonts, resources), and the document
// information. False, with nothing in out, when the file is not laid out as the writer lays it
// out or the page numbers do not add up.
bool splitPdf(const QByteArray& pdf, const std::vector<int>& pageCounts,
              std::vector<QByteArray>& out);

// Writes recorded label documents as numbered PDF files of a folder on worker threads. A free
// worker takes every document waiting (up to a batch) and draws them as the pages of one PDF,
// which it splits into one file per document: the fonts are embedded once for the batch, which
// is most of the cost of a small document. The files are stored strictly in the order the
// documents were handed over, so the numbers follow the labels. After a
// document fails, no later document is written until that failure has been answered, and the
// documents handed over before it was answered are dropped: the folder never holds a later
// label without the earlier ones of the same run.
class PdfLabelWriter {
  public:
    // Stores the PDF bytes of one document under the next number of the folder.
    using Store = std::function<Result(const QString& dir, const QByteArray& bytes)>;

    PdfLabelWriter(int workers, Store store);
    ~PdfLabelWriter();  // writes what was handed over, then stops the workers
    PdfLabelWriter(const PdfLabelWriter&) = delete;
    PdfLabelWriter& operator=(const PdfLabelWriter&) = delete;

    // Hands over a finished document; waits while as many documents as the workers can hold
    // are still unwritten, so that a run keeps only a few labels at a time. Answers the first
    // failure of an earlier document not yet answered.
    Result submit(const QString& dir, const QPageLayout& layout, int dpi,
                  std::vector<PageOperation> operations, int pages = 1);
    // Waits until every document handed over has been written or dropped; answers the first
    // failure not yet answered.
    Result flush();

  private:
    struct Job {
        std::uint64_t seq = 0;
        QString dir;
        QPageLayout layout;
        int dpi = 0;
        std::vector<PageOperation> operations;
        int pages = 1;
    };
    void work();
    // Takes the failure to answer, dropping every document handed over until now.
    Result answerFailure();

    Store store_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::uint64_t nextSeq_ = 0;    // the number of the next document handed over
    std::uint64_t nextStore_ = 0;  // the document whose turn it is to be stored
    std::uint64_t dropBefore_ = 0;
    std::size_t unwritten_ = 0;  // handed over, not yet stored or dropped
    std::optional<Result> failure_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace pellix::platform
