// pellix-print: the program's work without windows, for scripts and scheduled jobs. It reads the
// same settings folder and calls the same code as the windows.

#include "datasource/DatabaseSettings.h"
#include "datasource/RecordCount.h"
#include "datasource/RecordSource.h"
#include "platform/qt/QtPrinters.h"
#include "printer/PrinterList.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

using namespace pellix;

void out(const QString& text) {
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, std::size_t(b.size()), stdout);
}
void err(const QString& text) {
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, std::size_t(b.size()), stderr);
}

// What the windows show in a message box goes to standard error as "title: prompt".
void messageBox(const QString& prompt, const QString& title) {
    err(QStringLiteral("%1: %2\n").arg(title, prompt));
}

// The record count window's failure: its box, then what went wrong.
int countFailed(const Result& s) {
    messageBox(datasource::kCountFailedPrompt, datasource::kCountFailedTitle);
    err(s.message + QLatin1Char('\n'));
    return 1;
}

int runCount(const QStringList&) {
    datasource::DatabaseSettings settings;
    if (Result s = datasource::DatabaseSettings::read(settings); !s) return countFailed(s);
    qint64 rows = 0;
    if (Result s = datasource::countRecords(settings, rows); !s) return countFailed(s);
    out(QStringLiteral("%1\n").arg(rows));
    return 0;
}

// A field on one line: backslash, tab and line breaks are written as \\, \t, \r and \n.
QString escaped(const datasource::Field& f) {
    if (!f) return {};
    QString s;
    s.reserve(f->size());
    for (QChar c : *f) {
        switch (c.unicode()) {
            case '\\':
                s += QLatin1String("\\\\");
                break;
            case '\t':
                s += QLatin1String("\\t");
                break;
            case '\r':
                s += QLatin1String("\\r");
                break;
            case '\n':
                s += QLatin1String("\\n");
                break;
            default:
                s += c;
        }
    }
    return s;
}

int runRows(const QStringList&) {
    // The print job form's failure box: the description, under its title.
    const QString title = QStringLiteral(
        "設定エラー。データベースに接続できません。設定が不正かファイルにアクセスができません。");
    datasource::DatabaseSettings settings;
    if (Result s = datasource::DatabaseSettings::read(settings); !s) {
        messageBox(s.message, title);
        return 1;
    }
    datasource::RecordSource source;
    if (Result s = source.open(settings.db, settings.queryText()); !s) {
        messageBox(s.message, title);
        return 1;
    }
    while (!source.atEnd()) {
        const datasource::Record r = source.record();
        QStringList fields;
        for (const datasource::Field& f : r.fields) fields << escaped(f);
        out(fields.join(QLatin1Char('\t')) + QLatin1Char('\n'));
        if (Result s = source.moveNext(); !s) {
            messageBox(s.message, title);
            return 1;
        }
    }
    return 0;
}

int runPrinters(const QStringList&) {
    platform::QtPrinterSystem printers;
    out(printer::describePrinters(printers));
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const QStringList& args);
    const char* summaryJa;
    const char* summaryEn;
};

const Command kCommands[] = {
    {"count", runCount,
     "データベース設定の SQL が選ぶ行の件数を表示します (データ件数確認と同じ)。",
     "print the number of rows the stored query selects (as the record count window shows it)."},
    {"rows", runRows,
     "SQL が選ぶ各行のラベル項目 (バーコード, 品名, 名称, 価格) をタブ区切りで 1 "
     "行ずつ表示します。",
     "print each record of the stored query on one line: barcode, item name, name, price, "
     "separated by tabs."},
    {"printers", runPrinters,
     "インストールされているプリンターを列挙順に、受け付ける用紙コードとともに表示します"
     " (* はアプリケーションのプリンター)。",
     "list the installed printers in enumeration order with the paper codes each accepts "
     "(* marks the application printer)."},
};

void help() {
    QString text = QStringLiteral(
        "使い方: pellix-print <コマンド>\n"
        "Pellix のラベル印刷を画面なしで行います。設定は Pellix と同じ設定フォルダ\n"
        "($XDG_CONFIG_HOME/qrv_ini4、未設定なら ~/.config/qrv_ini4) から読みます。\n\n"
        "コマンド:\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1\t%2\n").arg(QLatin1String(c.name), QString::fromUtf8(c.summaryJa));
    text += QStringLiteral(
        "\n空のセルは空の項目になります。項目の中の \\ タブ 改行 は \\\\ \\t \\r \\n と書きます。\n"
        "失敗すると、画面ならメッセージボックスに出る内容 (タイトル: 本文) "
        "と原因を標準エラーに書き、\n"
        "終了コード 1 で終わります。\n\n"
        "Usage: pellix-print <command>\n"
        "Runs Pellix label work without windows. Settings come from the same settings folder as\n"
        "Pellix ($XDG_CONFIG_HOME/qrv_ini4, or ~/.config/qrv_ini4).\n\n"
        "Commands:\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1\t%2\n").arg(QLatin1String(c.name), QString::fromUtf8(c.summaryEn));
    text += QStringLiteral(
        "\nAn empty cell is an empty field; a backslash, tab or line break inside a field is\n"
        "written as \\\\, \\t, \\r or \\n. On failure, what the windows show in a message box\n"
        "(title: text) and the cause go to standard error, and the exit status is 1.\n");
    out(text);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args[0] == QLatin1String("help")) {
        help();
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return c.run(args);
    err(QStringLiteral("pellix-print: 不明なコマンド「%1」です (unknown command)。pellix-print "
                       "--help を参照してください。\n")
            .arg(name));
    return 2;
}
