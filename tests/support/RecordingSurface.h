#pragma once

#include "platform/Barcode.h"
#include "printing/PrinterSurface.h"

#include <QList>
#include <QString>
#include <functional>
#include <utility>

namespace pellix::test {

// A printer surface that records what is drawn, with the font in force, instead of drawing.
// Text is measured as if every character were as wide as it is high and a line were 1.1 times
// the font's size.
class RecordingSurface final : public printing::PrinterSurface {
  public:
    enum class Kind { Print, Line, Picture, NewPage, EndDoc, KillDoc };
    struct Op {
        Kind kind = Kind::Print;
        double x = 0;
        double y = 0;
        QString text;
        QString face;
        double size = 0;
        bool bold = false;
        bool italic = false;
        double x2 = 0;  // Line: end; Picture: width
        double y2 = 0;
        int drawWidth = 0;
    };

    void Font(const QString& face, double points, bool bold, bool italic) override {
        face_ = face;
        size_ = points;
        bold_ = bold;
        italic_ = italic;
    }
    void FontSize(double points) override { size_ = points; }
    void FontBold(bool on) override { bold_ = on; }
    void FontItalic(bool on) override { italic_ = on; }
    void ScaleMode(int mode) override { scaleMode = mode; }
    double ScaleWidth() const override { return pageMm.width(); }
    double ScaleHeight() const override { return pageMm.height(); }
    double CurrentX() const override { return x_; }
    double CurrentY() const override { return y_; }
    void CurrentX(double x) override { x_ = x; }
    void CurrentY(double y) override { y_ = y; }
    void Print(const QString& text) override {
        Op op = at(Kind::Print, x_, y_);
        op.text = text;
        op.face = face_;
        op.size = size_;
        op.bold = bold_;
        op.italic = italic_;
        record(op);
        y_ += TextHeight(text);
        x_ = 0;
    }
    double TextWidth(const QString& text) const override {
        return text.size() * size_ * kMmPerPoint;
    }
    double TextHeight(const QString&) const override { return size_ * kMmPerPoint * 1.1; }
    void DrawWidth(int pixels) override { drawWidth_ = pixels; }
    void Line(double x1, double y1, double x2, double y2) override {
        Op op = at(Kind::Line, x1, y1);
        op.x2 = x2;
        op.y2 = y2;
        op.drawWidth = drawWidth_;
        record(op);
    }
    void PaintPicture(const platform::BarcodePicture& picture, double x, double y,
                      double width) override {
        Op op = at(Kind::Picture, x, y);
        op.text = QString::fromLatin1(picture.digits);
        op.x2 = width;
        op.y2 = picture.naturalSizeMm().height();
        record(op);
    }
    void NewPage() override { record(at(Kind::NewPage)); }
    Result EndDoc() override {
        if (open_ && refuseHandOver) {
            fail(QStringLiteral("プリンタに印刷データを渡せませんでした。"));
        } else if (open_) {
            record(at(Kind::EndDoc));
        }
        open_ = false;
        return std::exchange(failure_, Result::success());
    }
    void KillDoc() override {
        if (open_) record(at(Kind::KillDoc));
        open_ = false;
    }

    // Operations of documents in order; EndDoc and KillDoc appear only for a document in
    // progress, as on the printer.
    QList<Op> ops;
    QSizeF pageMm{210, 297};
    int scaleMode = 0;
    // Runs after each recorded drawing operation.
    std::function<void(const Op&)> onOp;
    // When set, no document can start: drawing records nothing and the next EndDoc reports it.
    bool refuseDocuments = false;
    // When set, a document cannot be handed over: EndDoc records nothing and reports it.
    bool refuseHandOver = false;

    QList<Op> printed(const QString& text) const {
        QList<Op> out;
        for (const Op& op : ops)
            if (op.kind == Kind::Print && op.text == text) out << op;
        return out;
    }
    int count(Kind kind) const {
        int n = 0;
        for (const Op& op : ops) n += op.kind == kind;
        return n;
    }

  private:
    static Op at(Kind kind, double x = 0, double y = 0) {
        Op op;
        op.kind = kind;
        op.x = x;
        op.y = y;
        return op;
    }
    static constexpr double kMmPerPoint = 25.4 / 72;
    void fail(const QString& why) {
        if (failure_) failure_ = Result::failure(ErrorKind::DocumentFailed, why);
    }
    void record(const Op& op) {
        const bool drawing = op.kind != Kind::EndDoc && op.kind != Kind::KillDoc;
        if (drawing && !open_ && refuseDocuments) {
            fail(QStringLiteral("プリンタが応答しません。"));
            return;
        }
        if (drawing) open_ = true;
        ops << op;
        if (onOp) onOp(op);
    }
    QString face_;
    double size_ = 0;
    bool bold_ = false;
    bool italic_ = false;
    double x_ = 0;
    double y_ = 0;
    int drawWidth_ = 1;
    bool open_ = false;
    Result failure_;  // the first failure since the last EndDoc
};

}  // namespace pellix::test
