#pragma once

#include "platform/PrintSetupDialog.h"
#include "platform/PrinterSystem.h"
#include "support/TestDoubles.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <functional>
#include <optional>

namespace pellix::test {

// One installed printer of a scripted collection.
struct FakePrinter {
    FakePrinter() = default;
    explicit FakePrinter(QString deviceName) : name(std::move(deviceName)) {}

    QString name;
    QString driver = QStringLiteral("FakeDriver");
    QString port = QStringLiteral("usb://fake");
    QList<int> paperCodes = {1, 9, 11, 256};
    // Page sizes in twips that the printer reports for paper codes, in place of the standard
    // pages of those codes.
    QHash<int, QSizeF> pageTwips;
    // Settings the printer starts with when it is bound.
    QHash<platform::PrinterProperty, int> defaults = {
        {platform::PrinterProperty::PaperSize, 9}, {platform::PrinterProperty::Orientation, 1},
        {platform::PrinterProperty::PaperBin, 7},  {platform::PrinterProperty::PrintQuality, 600},
        {platform::PrinterProperty::ColorMode, 1}, {platform::PrinterProperty::Duplex, 1},
        {platform::PrinterProperty::Zoom, 100}};
    // Values a setting accepts (paper sizes: paperCodes); a setting not listed accepts any value
    // but 0.
    QHash<platform::PrinterProperty, QList<int>> accepted = {
        {platform::PrinterProperty::Orientation, {1, 2}},
        {platform::PrinterProperty::PaperBin, {1, 2, 4, 7}},
        {platform::PrinterProperty::ColorMode, {1, 2}},
        {platform::PrinterProperty::Duplex, {1, 2, 3}}};
    // Settings that cannot be read.
    QList<platform::PrinterProperty> unreadable;
};

// An installed-printer collection as the test scripts it. Documents are drawn into images at
// 100 dpi and kept when they end.
class ScriptedPrinters final : public platform::PrinterSystem {
  public:
    explicit ScriptedPrinters(QList<FakePrinter> printers = {
                                  FakePrinter{QStringLiteral("LP-100")}});

    QStringList installedPrinters() const override;
    QList<int> acceptedPaperCodes(int index) const override;
    bool bind(int index) override;
    std::optional<QString> deviceName() const override;
    std::optional<QString> driverName() const override;
    std::optional<QString> port() const override;
    std::optional<int> get(platform::PrinterProperty property) const override;
    bool set(platform::PrinterProperty property, int value) override;
    QList<platform::Paper> papers() const override;
    std::optional<double> width() const override;
    std::optional<double> height() const override;
    bool setWidth(double twips) override;
    bool setHeight(double twips) override;
    QSizeF printableAreaMm() const override;
    double dotsPerInch() const override { return 100; }
    Result openDocument(std::unique_ptr<platform::PrintDocument>& document) override;

    QList<FakePrinter> printers;
    int bound = -1;  // index of the application printer; -1 before any binding
    QHash<platform::PrinterProperty, int> settings;
    QSizeF userDefinedMm;

    // Runs while the paper list is asked for (to check what is on screen at that moment).
    std::function<void()> whileListingPapers;

    // When set, no document can be started.
    bool refuseDocuments = false;
    // Documents handed to the printer (each a list of pages) and documents discarded.
    QList<QList<QImage>> printed;
    int discarded = 0;
    int opened = 0;
    // The size in pixels of the last page of each document handed to the printer.
    QList<QSize> pageSizes;
    // When false, a document handed to the printer keeps no pages (long runs), only its size.
    bool keepPages = true;
    // Runs when a document has been handed to the printer.
    std::function<void()> whenFinished;

  private:
    // The page of a code with a user-defined size, in twips; nullopt for a page the code does
    // not name.
    std::optional<QSizeF> pageTwips(int code, const QSizeF& userMm) const;
};

// The print set-up dialog as the test scripts it: each run takes the next answer, which may
// change the records and says whether the user confirmed. A run with no answer left, or answers
// left over when the double goes away, fails the test.
class ScriptedPrintSetupDialog final : public platform::PrintSetupDialog {
  public:
    using Answer = std::function<bool(platform::PRINTDLG&)>;
    ~ScriptedPrintSetupDialog() override;

    bool run(platform::PRINTDLG& dialog) override;
    void expect(Answer answer) { answers_ << std::move(answer); }

    static Answer confirm();
    static Answer cancel();
    // Confirms with another printer chosen (the names record replaced).
    static Answer choose(const QString& deviceName);

    QList<platform::PRINTDLG> shown;  // the records as the dialog received them

  private:
    QList<Answer> answers_;
};

}  // namespace pellix::test
