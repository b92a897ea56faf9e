#include "printing/windows/JobForm.h"

#include "platform/Barcode.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace pellix::printing {

void JobForm::startRun(const std::function<RunOutcome(const bool& stop)>& run) {
    if (context().run.running) return;
    running_ = true;
    stopRequested_ = false;
    const QPointer<JobForm> self(this);
    const RunOutcome outcome = run(stopRequested_);
    // The form may have gone while the run serviced the event loop.
    if (!self) return;
    running_ = false;
    if (outcome.end == RunEnd::Exhausted || stopRequested_) Unload();
}

void JobForm::閉じる_Click() {
    if (running_) {
        stopRequested_ = true;
        frame()->hide();
        return;
    }
    Unload();
}

void JobForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run stops after the current label and closes the form then.
        stopRequested_ = true;
        frame()->hide();
        event->ignore();
        return;
    }
    Window::closeEvent(event);
}

QLineEdit* JobForm::hiddenField(const char* name) {
    auto* t = new QLineEdit(this);
    t->setObjectName(QString::fromLatin1(name));
    t->hide();
    return t;
}

void PreviewModel::setTable(datasource::ResultTable table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(table_.rows.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(table_.columns.size());
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= table_.rows.size()) return {};
    const auto& row = table_.rows[index.row()];
    if (index.column() >= row.size()) return {};
    return row[index.column()].value_or(QString());
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return table_.columns.value(section);
    return section + 1;
}

QTableView* makePreviewGrid(QWidget* parent, PreviewModel* model, QRect geometry) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    grid->setModel(model);
    grid->setGeometry(geometry);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    // Whole barcode numbers: the columns take the width of their texts (of the first rows).
    grid->horizontalHeader()->setResizeContentsPrecision(200);
    QObject::connect(model, &QAbstractItemModel::modelReset, grid,
                     &QTableView::resizeColumnsToContents);
    return grid;
}

BarcodePreview::BarcodePreview(QWidget* parent, QLineEdit* text,
                               const BarcodeParameters& parameters)
    : QWidget(parent), text_(text), parameters_(parameters) {
    setObjectName(QStringLiteral("Picture1"));
}

void BarcodePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    text_->setText(kSampleBarcodeText);
    const BarcodeParameters& p = parameters_;
    (void)platform::BarcodeDisplay2(text_->text().toLatin1(), p.bar_x, p.bar_y, p.bar_p1, p.bar_p2,
                                    p.bar_p3, painter);
}

void WorkFields::make(JobForm* form) {
    Textsize = {form->hiddenField("Textsize1"), form->hiddenField("Textsize2"),
                form->hiddenField("Textsize3")};
    Textdb = form->hiddenField("Textdb");
    TextTT = form->hiddenField("TextTT");
    TextSS = form->hiddenField("TextSS");
}

namespace {

Result unreadable(const QString& file) {
    return Result::failure(ErrorKind::SettingsRead,
                           QStringLiteral("設定ファイル %1 を読み込めません。").arg(file));
}

}  // namespace

Result WorkFields::readPositions() {
    settings::SequentialReader file;
    if (!file.open(settings::filePath(settings::kPositionFile)))
        return unreadable(settings::kPositionFile);
    for (int record = 0; record < 2; ++record) {
        QStringList values;
        if (!file.read(settings::kPositionFields, values))
            return unreadable(settings::kPositionFile);
        for (int i = 0; i < 3; ++i) Textsize[i]->setText(values.value(2 + i));
    }
    return Result::success();
}

Result WorkFields::readDatabase() {
    settings::SequentialReader file;
    if (!file.open(settings::filePath(settings::kDatabaseFile)))
        return unreadable(settings::kDatabaseFile);
    for (int record = 0; record < 2; ++record) {
        QStringList values;
        if (!file.read(settings::kDatabaseFields, values))
            return unreadable(settings::kDatabaseFile);
        Textdb->setText(values.value(0));
        TextTT->setText(values.value(1));
        TextSS->setText(values.value(2));
        path = Textdb->text();
        queryText = TextSS->text() + QLatin1Char('[') + TextTT->text() + QLatin1String("$]");
    }
    return Result::success();
}

}  // namespace pellix::printing
