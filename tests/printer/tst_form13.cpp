// The print position adjustment dialog: sliders loaded from the file, kept in step with their
// labels and saved fields, stored values out of range, saving with every other value carried
// through, and the failures of loading and saving.
#include "datasource/windows/setOracle.h"
#include "printer/windows/Form13.h"
#include "printing/Module1.h"
#include "printing/windows/F_CustInput.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/RecordingSurface.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <memory>

using namespace pellix;
using printer::Form13;
using Icon = platform::MessageBoxes::Icon;

namespace {

// A print position file's 99 values with the given adjustments. Field "47" holds a text with
// blanks at both ends, a comma and a double quote.
QStringList positions(const QString& size1, const QString& size2, const QString& size3) {
    QStringList v{QStringLiteral("丸山家具店"), QString(), size1, size2, size3,
                  QStringLiteral("12.5")};
    for (int i = 2; i <= 90; ++i)
        v << (i == 47 ? QStringLiteral(" 四十七, \"番\" ") : QString::number(i * 1.5));
    v << QStringLiteral("ペリックス") << QStringLiteral("100-0001")
      << QStringLiteral("東京都千代田区") << QStringLiteral("03-1234-5678");
    return v;
}

QByteArray positionFile(const QStringList& values,
                        const QStringList& header = settings::positionHeader()) {
    return *settings::encodeRecord(header) + *settings::encodeRecord(values);
}

}  // namespace

class tst_form13 : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void loadsSliders();
    void storedAdjustmentOutOfRange_data();
    void storedAdjustmentOutOfRange();
    void slidersKeepLabelsAndFieldsInStep();
    void save_data();
    void save();
    void savedAdjustmentMovesThePrintedLabel();
    void closingWithoutSavingKeepsFile();
    void loadFailureLeavesDialogUnopened_data();
    void loadFailureLeavesDialogUnopened();
    void failedSaveKeepsDialogOpen();

  private:
    Form13* open(const QStringList& values);
    void printFromPositionFile(test::RecordingSurface& printer);

    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<shell::WindowRegistry> windows_;
};

void tst_form13::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    services_ = std::make_unique<test::TestServices>();
    windows_ = test::programWindows(*services_);
}

void tst_form13::cleanup() {
    windows_.reset();
    services_.reset();
    home_.reset();
}

Form13* tst_form13::open(const QStringList& values) {
    home_->writeFile(settings::kPositionFile, positionFile(values));
    return windows_->show<Form13>();
}

void tst_form13::loadsSliders() {
    Form13* w = open(positions("5", "-3", "0"));
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(services_->messages.shown.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("印刷位置調整"));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0xFF, 0xE0, 0xC0));

    const QSlider* sliders[3] = {w->Slider1, w->Slider2, w->Slider3};
    const QLabel* labels[3] = {w->Label14, w->Label15, w->Label16};
    const QLineEdit* fields[3] = {w->Textsize1, w->Textsize2, w->Textsize3};
    const int expected[3] = {5, -3, 0};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(sliders[i]->minimum(), -20);
        QCOMPARE(sliders[i]->maximum(), 20);
        QCOMPARE(sliders[i]->singleStep(), 1);
        QCOMPARE(sliders[i]->value(), expected[i]);
        QCOMPARE(labels[i]->text(), QString::number(expected[i]));
        QCOMPARE(fields[i]->text(), QString::number(expected[i]));
        QVERIFY(!fields[i]->isVisible());
    }
    QVERIFY(w->LabelNotice->text().isEmpty());
    QCOMPARE(w->findChild<QSlider*>("Slider2"), w->Slider2);
    QCOMPARE(w->findChild<QLabel*>("Label9")->text(), QStringLiteral("上"));
    QCOMPARE(w->findChild<QLabel*>("Label8")->text(), QStringLiteral("下"));
    QCOMPARE(w->Command1->text(), QStringLiteral("保存設定"));
}

void tst_form13::storedAdjustmentOutOfRange_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("exact");
    QTest::newRow("above the range") << "25" << 20 << false;
    QTest::newRow("below the range") << "-21" << -20 << false;
    QTest::newRow("fraction") << "5.6" << 6 << false;
    QTest::newRow("negative half") << "-2.5" << -3 << false;
    QTest::newRow("no number") << "abc" << 0 << false;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("infinity") << "inf" << 0 << false;
    QTest::newRow("full-width digits") << "５" << 0 << false;
    QTest::newRow("whole number written with a point") << "2.0" << 2 << true;
    QTest::newRow("blanks around") << " 7 " << 7 << true;
    QTest::newRow("right end") << "20" << 20 << true;
}

void tst_form13::storedAdjustmentOutOfRange() {
    QFETCH(QString, stored);
    QFETCH(int, shown);
    QFETCH(bool, exact);
    QStringList values = positions("1", stored, "-1");
    Form13* w = open(values);
    QVERIFY(w);
    QVERIFY(services_->messages.shown.isEmpty());
    QCOMPARE(w->Slider2->value(), shown);
    QCOMPARE(w->Label15->text(), QString::number(shown));
    QCOMPARE(w->Textsize2->text(), QString::number(shown));
    QCOMPARE(w->Slider1->value(), 1);
    QCOMPARE(w->Slider3->value(), -1);
    if (exact) {
        QVERIFY(w->LabelNotice->text().isEmpty());
    } else {
        // The dialog names the row and the stored text it could not show.
        const QString notice = w->LabelNotice->text();
        QVERIFY2(notice.contains(QStringLiteral("縦　位置調整「%1」").arg(stored)),
                 qPrintable(notice));
        QVERIFY2(!notice.contains(QStringLiteral("横　位置調整")), qPrintable(notice));
        QVERIFY(w->LabelNotice->isVisible());
    }
    // Saving stores what the slider shows.
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    values[3] = QString::number(shown);
    QCOMPARE(home_->readFile(settings::kPositionFile), positionFile(values));
}

void tst_form13::slidersKeepLabelsAndFieldsInStep() {
    Form13* w = open(positions("0", "0", "0"));
    QSlider* sliders[3] = {w->Slider1, w->Slider2, w->Slider3};
    const QLabel* labels[3] = {w->Label14, w->Label15, w->Label16};
    const QLineEdit* fields[3] = {w->Textsize1, w->Textsize2, w->Textsize3};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(sliders[i], Qt::Key_Home);
        QCOMPARE(labels[i]->text(), QStringLiteral("-20"));
        QCOMPARE(fields[i]->text(), QStringLiteral("-20"));
        QTest::keyClick(sliders[i], Qt::Key_Right);
        QCOMPARE(labels[i]->text(), QStringLiteral("-19"));
        QCOMPARE(fields[i]->text(), QStringLiteral("-19"));
        QTest::keyClick(sliders[i], Qt::Key_End);
        QCOMPARE(labels[i]->text(), QStringLiteral("20"));
        QCOMPARE(fields[i]->text(), QStringLiteral("20"));
    }
    // Moving a slider changes only the dialog.
    QCOMPARE(home_->readFile(settings::kPositionFile), positionFile(positions("0", "0", "0")));
}

void tst_form13::save_data() {
    QTest::addColumn<bool>("moveSlider2ToRightEnd");
    QTest::addColumn<QStringList>("saved");
    QTest::newRow("untouched") << false << positions("5", "-3", "0");
    QTest::newRow("Slider2 at its right end") << true << positions("5", "20", "0");
}

void tst_form13::save() {
    QFETCH(bool, moveSlider2ToRightEnd);
    QFETCH(QStringList, saved);
    const QByteArray before = positionFile(positions("5", "-3", "0"));
    home_->writeFile(settings::kPositionFile, before);
    home_->writeFile(
        settings::kDatabaseFile,
        *settings::encodeRecord(settings::databaseHeader()) +
            *settings::encodeRecord({test::testData("sample.xls"), "sheet1", "select * from "}));
    QVERIFY(windows_->show<datasource::setOracle>());
    Form13* w = windows_->show<Form13>();
    QVERIFY(w);
    if (moveSlider2ToRightEnd) {
        QTest::keyClick(w->Slider2, Qt::Key_End);
        QCOMPARE(w->Label15->text(), QStringLiteral("20"));
    }
    bool dialogsGoneWhileShown = false;
    services_->messages.whileShown = [&](const test::ShownMessage&) {
        dialogsGoneWhileShown =
            !windows_->find<Form13>() && !windows_->find<datasource::setOracle>();
    };
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    const QByteArray after = home_->readFile(settings::kPositionFile);
    QCOMPARE(after, positionFile(saved));
    if (!moveSlider2ToRightEnd) QCOMPARE(after, before);
    // Field "47" comes back as it was, blanks, comma and quote included.
    settings::TableRow row;
    QVERIFY(settings::queryTable(home_->settingsDir(),
                                 QStringLiteral("Select 47,SIZE2 From pimraconfig5.txt"), row));
    QCOMPARE(row.values, (QStringList{QStringLiteral(" 四十七, \"番\" "), saved[3]}));

    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.prompt, QStringLiteral("設定が変更されました｡"));
    QCOMPARE(box.title, QStringLiteral("設定変更"));
    QCOMPARE(box.icon, Icon::Information);
    QVERIFY(dialogsGoneWhileShown);
}

// One label printed as the continuous print job form prints it: the form opened afresh, its load
// reading the adjustments from the print position file, the label data filled as a run fills it.
void tst_form13::printFromPositionFile(test::RecordingSurface& printer) {
    windows_->unload<printing::F_CustInput>();
    printing::F_CustInput* form = windows_->load<printing::F_CustInput>();
    QVERIFY(form);
    const QString barcode = QStringLiteral("4901234567894");
    form->Text1->setText(barcode);
    form->Text2->setText(QStringLiteral("りんごジュース"));
    form->Text3->setText(QStringLiteral("青森県産"));
    form->Text4->setText(QStringLiteral("1500"));
    form->Text5->setText(QStringLiteral("JAN-") + barcode);
    form->Text8->setText(barcode);
    platform::BarcodeCopy(form->Text5->text().toLatin1(), 5, 25, 1, form->Picture2);
    QVERIFY(printing::printLabel(windows_->context(), printer));
}

void tst_form13::savedAdjustmentMovesThePrintedLabel() {
    home_->installDefaults({settings::kOutputFile});
    home_->writeFile(settings::kPositionFile, positionFile(positions("0", "0", "0")));
    test::RecordingSurface before;
    printFromPositionFile(before);
    QVERIFY(!QTest::currentTestFailed());

    Form13* w = windows_->show<Form13>();
    QTest::keyClick(w->Slider2, Qt::Key_End);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(!windows_->find<Form13>());

    test::RecordingSurface after;
    printFromPositionFile(after);
    QVERIFY(!QTest::currentTestFailed());
    printing::LabelJob job;
    QVERIFY(printing::labelJobFromForms(windows_->context(), job));
    QCOMPARE(job.originY, QStringLiteral("20"));
    printing::Origin origin;
    QVERIFY(printing::Module1::readOrigin(job, origin));
    QCOMPARE(origin.X, 0.0);
    QCOMPARE(origin.Y, 20.0);
    QCOMPARE(origin.Z, 0.0);

    // Everything the label prints, prints 20 mm lower and nothing else changes.
    QCOMPARE(after.ops.size(), before.ops.size());
    QVERIFY(before.count(test::RecordingSurface::Kind::Print) > 0);
    QCOMPARE(before.count(test::RecordingSurface::Kind::Picture), 1);
    for (qsizetype i = 0; i < before.ops.size(); ++i) {
        const test::RecordingSurface::Op& a = before.ops[i];
        const test::RecordingSurface::Op& b = after.ops[i];
        QCOMPARE(b.kind, a.kind);
        QCOMPARE(b.text, a.text);
        QCOMPARE(b.size, a.size);
        QCOMPARE(b.x, a.x);
        if (a.kind == test::RecordingSurface::Kind::NewPage ||
            a.kind == test::RecordingSurface::Kind::EndDoc)
            continue;
        QCOMPARE(b.y - a.y, 20.0);
        if (a.kind == test::RecordingSurface::Kind::Line) QCOMPARE(b.y2 - a.y2, 20.0);
    }
}

void tst_form13::closingWithoutSavingKeepsFile() {
    const QByteArray before = positionFile(positions("5", "-3", "0"));
    home_->writeFile(settings::kPositionFile, before);
    Form13* w = windows_->show<Form13>();
    QTest::keyClick(w->Slider1, Qt::Key_End);
    QVERIFY(w->frame()->close());
    QTRY_VERIFY(!windows_->find<Form13>());
    QCOMPARE(home_->readFile(settings::kPositionFile), before);
    QCOMPARE(windows_->show<Form13>()->Slider1->value(), 5);
}

void tst_form13::loadFailureLeavesDialogUnopened_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("folderInPlace");
    const QStringList values = positions("5", "-3", "0");
    QStringList header = settings::positionHeader();
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("header only") << *settings::encodeRecord(header) << false;
    QTest::newRow("value row cut short") << positionFile(values.mid(0, 98)) << false;
    QTest::newRow("sizes missing")
        << *settings::encodeRecord(header.mid(0, 2)) + *settings::encodeRecord(values.mid(0, 2))
        << false;
    header[header.indexOf(QStringLiteral("47"))] = QStringLiteral("47X");
    QTest::newRow("column 47 missing") << positionFile(values, header) << false;
    QTest::newRow("not Shift-JIS")
        << *settings::encodeRecord(settings::positionHeader()) + QByteArray("\"\x82\"\r\n")
        << false;
    QTest::newRow("a folder in its place") << QByteArray() << true;
}

void tst_form13::loadFailureLeavesDialogUnopened() {
    QFETCH(QByteArray, file);
    QFETCH(bool, folderInPlace);
    QDir().mkpath(home_->settingsDir());
    if (!file.isEmpty()) home_->writeFile(settings::kPositionFile, file);
    if (folderInPlace) QVERIFY(QDir().mkpath(settings::filePath(settings::kPositionFile)));

    QVERIFY(!windows_->show<Form13>());
    QVERIFY(!windows_->find<Form13>());
    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.title, QStringLiteral("設定エラー"));
    QCOMPARE(box.icon, Icon::Exclamation);
    QVERIFY2(box.prompt.startsWith(QStringLiteral("印刷位置調整を開けません。")),
             qPrintable(box.prompt));
    QVERIFY2(box.prompt.contains(settings::filePath(settings::kPositionFile)),
             qPrintable(box.prompt));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
    if (file.isEmpty() && !folderInPlace)
        QVERIFY(!QFile::exists(settings::filePath(settings::kPositionFile)));
}

void tst_form13::failedSaveKeepsDialogOpen() {
    home_->writeFile(
        settings::kDatabaseFile,
        *settings::encodeRecord(settings::databaseHeader()) +
            *settings::encodeRecord({test::testData("sample.xls"), "sheet1", "select * from "}));
    QVERIFY(windows_->show<datasource::setOracle>());
    Form13* w = open(positions("5", "-3", "0"));
    QTest::keyClick(w->Slider2, Qt::Key_End);
    // The file's place is taken by a folder, so the save cannot replace it.
    QVERIFY(QFile::remove(settings::filePath(settings::kPositionFile)));
    QVERIFY(QDir().mkpath(settings::filePath(settings::kPositionFile)));
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.title, QStringLiteral("設定変更エラー"));
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY2(box.prompt.startsWith(QStringLiteral("設定を保存できませんでした。")),
             qPrintable(box.prompt));
    QVERIFY2(box.prompt.contains(settings::filePath(settings::kPositionFile)),
             qPrintable(box.prompt));
    QCOMPARE(windows_->find<Form13>(), w);
    QCOMPARE(w->Slider2->value(), 20);
    QCOMPARE(w->Label15->text(), QStringLiteral("20"));
    QVERIFY(windows_->find<datasource::setOracle>());
}

QTEST_MAIN(tst_form13)
#include "tst_form13.moc"
