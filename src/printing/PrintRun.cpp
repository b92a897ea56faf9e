#include "printing/PrintRun.h"

#include "datasource/RecordSource.h"
#include "platform/Fonts.h"
#include "platform/PrinterSystem.h"
#include "printer/OutputSettings.h"

namespace pellix::printing {

using Icon = platform::MessageBoxes::Icon;

QFont labelBaseFont() {
    return platform::namedFont(platform::kPGothic, 9);
}

LabelJob labelJob(const LabelData& data, const QString& title1, const QString& title2,
                  const std::array<QString, 3>& sizes, const QFont& baseFont) {
    LabelJob job;
    job.title1 = title1;
    job.title2 = title2;
    job.value = data.Text1;
    job.itemName = data.Text2;
    job.name = data.Text3;
    job.price = data.Text4;
    job.janSource = data.Text8;
    job.originX = sizes[0];
    job.originY = sizes[1];
    job.sizeAdjustment = sizes[2];
    job.baseFont = baseFont;
    job.picture = data.Picture2;
    return job;
}

std::optional<qint64> rowBound(const QString& text) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

namespace {

// One run: what both runs share, step by step.
class Run {
  public:
    Run(RunHost& host, RunContext& context) : host_(host), c_(context), control_(context.control) {}

    // The count-down starts at the allowance; the cancel of an earlier run is forgotten.
    void start(qint64 allowance) {
        control_.cancelled = false;
        control_.print_cancel = 0;
        allowance_ = allowance;
        setCountdown(allowance);
    }

    // The start every run shares: the count-down, the settings, the printer choice and the
    // first status caption; false when the run ends here.
    bool begin(qint64 allowance, printer::OutputSettings& settings) {
        start(allowance);
        if (!readSettings(settings) || !choosePrinter()) return false;
        host_.status(kStatusPrinting);
        return true;
    }

    void setCountdown(qint64 value) {
        control_.countdown = value;
        host_.countdown(value);
    }

    // Reads the connection setting; true when a printer is chosen per run. A settings file that
    // cannot be read fails the run.
    bool readSettings(printer::OutputSettings& settings) {
        if (Result r = printer::readOutputSettings(settings); !r) {
            fail(0, r);
            return false;
        }
        host_.connection(settings.printer);
        perRun_ = settings.printer == QLatin1String("1");
        return true;
    }

    // The printer choice of a run that asks for one; false when it was not confirmed.
    bool choosePrinter() {
        if (!perRun_) return true;
        if (host_.choosePrinter()) return true;
        outcome_.end = RunEnd::NotConfirmed;
        return false;
    }

    // Fills the label data from the record and makes its barcode.
    LabelData fill(const datasource::Record& record, BarcodeParameters& parameters) {
        LabelData data;
        // An empty cell is an empty text.
        data.Text1 = record.barcode().value_or(QString());
        data.Text2 = record.itemName().value_or(QString());
        data.Text3 = record.name().value_or(QString());
        data.Text4 = record.price().value_or(QString());
        parameters = BarcodeParameters::printValues();
        data.Text5 = QStringLiteral("JAN-") + data.Text1;
        data.Text8 = data.Text1;
        // The barcode text is single-byte; a value that is not digits gives no barcode, and
        // then the label prints none rather than an earlier record's.
        platform::PictureSlot slot;
        (void)platform::BarcodeCopy(data.Text5.toLatin1(), parameters.bar_p1, parameters.bar_p2,
                                    parameters.bar_p3, slot);
        data.Picture2 = slot.picture;
        host_.filled(data);
        return data;
    }

    // Prints the label of a row; false when the run stops (a failure, which was reported).
    bool print(qint64 row, const LabelData& data) {
        if (perRun_) {
            if (Result r = host_.reapplyPrinter(); !r) return fail(row, r);
        }
        if (Result r = host_.print(data); !r) return fail(row, r);
        // A label whose cancel arrived in time was discarded: it was not printed.
        if (!control_.print_cancel) {
            ++outcome_.printed;
            host_.printed(row, data);
        }
        return true;
    }

    // A failure stops the run: the status line and a message that names the row and the cause.
    bool fail(qint64 row, const Result& failure) {
        outcome_.end = RunEnd::Failed;
        outcome_.row = row;
        outcome_.failure = failure;
        host_.status(kStatusFailed);
        const QString prompt =
            row > 0
                ? QStringLiteral(
                      "%1行目のラベルを印刷できませんでした。印刷を中断しました。\n"
                      "印刷したラベル: %2枚\n\n原因: %3")
                      .arg(row)
                      .arg(outcome_.printed)
                      .arg(failure.message)
                : QStringLiteral("印刷を開始できませんでした。\n\n原因: %1").arg(failure.message);
        host_.message(prompt, kFailureTitle, Icon::Critical);
        return false;
    }

    // The checks at the top of an iteration; true when the run stops here. The count-down ends
    // the run when the cancel button set it, or (countsEveryRow) when it is used up.
    bool stopsBefore(qint64 row, bool countdownEnds) {
        outcome_.row = row;
        if (control_.countdown <= 0 && control_.cancelled) {
            outcome_.end = RunEnd::Cancelled;
            host_.status(kStatusCancelled);
            return true;
        }
        if (host_.stopRequested()) {
            outcome_.end = RunEnd::Stopped;
            return true;
        }
        if (countdownEnds && control_.countdown <= 0) {
            allowanceUsed();
            return true;
        }
        return false;
    }

    void allowanceUsed() {
        outcome_.end = RunEnd::AllowanceUsed;
        host_.status(kStatusLimit);
        host_.message(QStringLiteral("1回の印刷で印刷できるラベルの上限 (%1枚) "
                                     "に達したため、印刷を終了しました。\n"
                                     "今回印刷したラベル: %2枚")
                          .arg(allowance_)
                          .arg(outcome_.printed),
                      kLimitTitle, Icon::Exclamation);
    }

    // The records are exhausted: every document handed over is finished first, so that a
    // failure of the last ones is reported as such rather than as the end.
    void exhausted(qint64 row) {
        if (Result r = c_.printers.flush(); !r) {
            fail(row, r);
            return;
        }
        outcome_.end = RunEnd::Exhausted;
        host_.status(kStatusDone);
        host_.message(kEndPrompt, kEndTitle, Icon::Information);
    }

    // A run that stops early finishes the documents it handed over too; a failure among them
    // is reported.
    void stopped() {
        if (Result r = c_.printers.flush(); !r && outcome_.end != RunEnd::Failed)
            fail(outcome_.row, r);
    }

    void countDown() { setCountdown(control_.countdown - 1); }

    // What a run does after a record: go on to the next one, stop (the source is closed), or
    // stop and leave the source open at this record.
    enum class Step { Next, Stop, Leave };

    // Walks the records from the source's current one, row 1 first: the checks at the top of
    // each iteration, then each(row, record), then the next record. A source that ends gives
    // the run its normal end.
    template <class Each>
    void walk(datasource::RecordSource& source, bool countdownEnds, Each each) {
        for (qint64 row = 1;; ++row) {
            if (source.atEnd()) {
                source.close();
                exhausted(row);
                return;
            }
            host_.walked(row);
            if (stopsBefore(row, countdownEnds)) break;
            const Step step = each(row, source.record());
            if (step == Step::Leave) return;
            if (step == Step::Stop) break;
            if (Result r = source.moveNext(); !r) {
                fail(row + 1, r);
                break;
            }
        }
        source.close();
        stopped();
    }

    RunHost& host_;
    RunContext& c_;
    RunControl& control_;
    RunOutcome outcome_;
    qint64 allowance_ = 0;
    bool perRun_ = false;
};

// Marks the run control as running for the life of a run.
class Running {
  public:
    explicit Running(RunControl& control) : control_(control) { control_.running = true; }
    ~Running() { control_.running = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    RunControl& control_;
};

}  // namespace

RunOutcome runContinuous(RunHost& host, RunContext& context, const QString& path,
                         const QString& queryText, qint64& allowance,
                         BarcodeParameters& parameters) {
    const Running running(context.control);
    Run run(host, context);
    printer::OutputSettings settings;
    if (!run.begin(allowance, settings)) return run.outcome_;
    host.paper(settings.yoshi);
    host.status(kStatusSpooling);

    datasource::RecordSource source;
    if (Result r = source.open(path, queryText); !r) {
        run.fail(0, r);
        return run.outcome_;
    }
    using Step = Run::Step;
    run.walk(source, true, [&](qint64 row, const datasource::Record& record) {
        const LabelData data = run.fill(record, parameters);
        // The allowance falls before the label prints, so that a cancelled label counts too.
        if (--allowance < 0) {
            allowance = 0;
            run.allowanceUsed();
            return Step::Stop;
        }
        if (!run.print(row, data)) return Step::Stop;
        run.countDown();
        return Step::Next;
    });
    return run.outcome_;
}

RunOutcome runPartial(RunHost& host, RunContext& context, datasource::RecordSource& source,
                      const QString& first, const QString& last, BarcodeParameters& parameters) {
    const Running running(context.control);
    Run run(host, context);
    printer::OutputSettings settings;
    if (!run.begin(kLabelAllowance, settings)) return run.outcome_;

    // Rows outside the range are walked without counting down, so a range far down the sheet is
    // reached; only the labels printed count.
    using Step = Run::Step;
    run.walk(source, false, [&](qint64 row, const datasource::Record& record) {
        const LabelData data = run.fill(record, parameters);
        const std::optional<qint64> from = rowBound(first);
        const std::optional<qint64> to = rowBound(last);
        if (!from || !to) {
            run.outcome_.end = RunEnd::BadBounds;
            host.message(kBadBoundsPrompt, kBadBoundsTitle, Icon::Exclamation);
            return Step::Leave;
        }
        if (*from <= row && *to >= row) {
            if (context.control.countdown <= 0) {
                run.allowanceUsed();
                return Step::Stop;
            }
            if (!run.print(row, data)) return Step::Stop;
            run.countDown();
        }
        return Step::Next;
    });
    return run.outcome_;
}

}  // namespace pellix::printing
