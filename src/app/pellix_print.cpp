// pellix-print: the program's work without windows, for scripts and scheduled jobs. It reads the
// same settings folder and calls the same code as the windows.

#include "datasource/DatabaseSettings.h"
#include "datasource/RecordCount.h"
#include "datasource/RecordSource.h"
#include "platform/FileDialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/PrintSetupDialog.h"
#include "platform/QtPlatform.h"
#include "platform/Services.h"
#include "platform/qt/QtPrinters.h"
#include "printer/OutputSettings.h"
#include "printer/PrintPositions.h"
#include "printer/PrinterList.h"
#include "printer/PrinterSetup.h"
#include "printing/Module1.h"
#include "printing/PrintRun.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>

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

// Message boxes of a run without windows: standard error.
class StderrMessages final : public platform::MessageBoxes {
  public:
    void show(QWidget*, const QString& prompt, const QString& title, Icon) override {
        messageBox(prompt, title);
    }
};

// No dialog opens without windows.
class NoPrintSetup final : public platform::PrintSetupDialog {
  public:
    bool run(platform::PRINTDLG&) override { return false; }
};
class NoFileDialogs final : public platform::FileDialogs {
  public:
    std::optional<QString> openFile(QWidget*, const QString&, const QStringList&) override {
        return std::nullopt;
    }
};

// A run without windows: the printer comes from --printer (or is the application printer), each
// printed label is reported on standard output as its row number and barcode value, and what the
// windows show in message boxes goes to standard error.
class CommandLineRun final : public printing::RunHost {
  public:
    CommandLineRun(platform::Services& services, printing::RunControl& control)
        : services_(services), control_(control) {}

    // The titles and the print position sizes every label prints with.
    Result readLayout() {
        printer::OutputSettings output;
        if (Result r = printer::readOutputSettings(output); !r) return r;
        printer::PrintPositions positions;
        if (Result r = printer::PrintPositions::read(positions); !r) return r;
        title1_ = output.title1;
        title2_ = output.title2;
        sizes_ = positions.sizes;
        return Result::success();
    }

    bool choosePrinter() override {
        // The printer is the one bound from the command line: it is the run's choice.
        return bool(printer::PrinterSetup::SavePrinterChoice(services_, choice_));
    }
    Result reapplyPrinter() override {
        bool bound = false;
        if (Result r = printer::PrinterSetup::RestorePrinterChoice(services_, choice_, bound); !r)
            return r;
        return printer::PrinterSetup::SavePrinterChoice(services_, choice_);
    }
    void status(const QString&) override {}
    void countdown(qint64) override {}
    Result print(const printing::LabelData& data) override {
        const printing::LabelJob job =
            printing::labelJob(data, title1_, title2_, sizes_, printing::labelBaseFont());
        return printing::Module1::print_label(job, control_, services_.printers);
    }
    void printed(qint64 row, const printing::LabelData& data) override {
        out(QStringLiteral("%1\t%2\n").arg(row).arg(escaped(data.Text1)));
        std::fflush(stdout);
    }
    void message(const QString& prompt, const QString& title,
                 platform::MessageBoxes::Icon) override {
        messageBox(prompt, title);
    }

  private:
    platform::Services& services_;
    printing::RunControl& control_;
    printer::PrinterSetup::SavedPrinterChoice choice_;
    QString title1_;
    QString title2_;
    std::array<QString, 3> sizes_;
};

// The exit status of a run: 0 for a normal end, 3 for the allowance used up, 1 otherwise.
int exitStatus(const printing::RunOutcome& outcome) {
    switch (outcome.end) {
        case printing::RunEnd::Exhausted:
            return 0;
        case printing::RunEnd::AllowanceUsed:
            return 3;
        default:
            return 1;
    }
}

// Takes "--printer NAME" out of the arguments and binds that printer; false (reported) when
// the option lacks its name or no installed printer has it.
bool bindPrinterOption(QStringList& args, platform::PrinterSystem& printers) {
    const qsizetype at = args.indexOf(QStringLiteral("--printer"));
    if (at < 0) return true;
    if (at + 1 >= args.size()) {
        err(QStringLiteral("pellix-print: --printer にプリンター名がありません。\n"));
        return false;
    }
    const QString name = args[at + 1];
    args.remove(at, 2);
    const QStringList installed = printers.installedPrinters();
    for (qsizetype i = 0; i < installed.size(); ++i) {
        if (installed[i] != name) continue;
        if (printers.bind(int(i))) return true;
        err(QStringLiteral("pellix-print: プリンター「%1」を使えません。\n").arg(name));
        return false;
    }
    err(QStringLiteral(
            "pellix-print: プリンター「%1」はありません。インストールされているプリンター: "
            "%2\n")
            .arg(name, installed.join(QStringLiteral(", "))));
    return false;
}

// A print run from the command line: the same run as the job forms, with the same settings.
struct PrintCommand {
    platform::QtPrinterSystem printers;
    StderrMessages messages;
    platform::UnameOsVersion osVersion;
    platform::QtUrlOpener urls;
    NoPrintSetup printSetup;
    NoFileDialogs fileDialogs;
    platform::Services services{messages, osVersion, urls, printers, printSetup, fileDialogs, {}};
    printing::RunControl control;
    datasource::DatabaseSettings settings;
    CommandLineRun host{services, control};

    PrintCommand() { control.service = nullptr; }

    // Binds the printer of the options and reads the settings; false (reported) on failure.
    bool prepare(QStringList& args) {
        platform::installFontSubstitutions();
        if (!bindPrinterOption(args, printers)) return false;
        Result r = datasource::DatabaseSettings::read(settings);
        if (r) r = host.readLayout();
        if (!r) {
            messageBox(QStringLiteral("印刷を開始できませんでした。\n\n原因: %1").arg(r.message),
                       printing::kFailureTitle);
            return false;
        }
        return true;
    }
};

int usageError(const QString& text) {
    err(QStringLiteral("pellix-print: %1 pellix-print --help を参照してください。\n").arg(text));
    return 2;
}

int runAll(const QStringList& arguments) {
    PrintCommand command;
    QStringList args = arguments;
    if (!command.prepare(args)) return 1;
    if (!args.isEmpty()) return usageError(QStringLiteral("余分な引数があります。"));
    qint64 allowance = printing::kLabelAllowance;
    printing::BarcodeParameters parameters;
    printing::RunContext rc{command.printers, command.control};
    return exitStatus(printing::runContinuous(command.host, rc, command.settings.db,
                                              command.settings.queryText(), allowance, parameters));
}

int runRange(const QStringList& arguments) {
    PrintCommand command;
    QStringList args = arguments;
    if (!command.prepare(args)) return 1;
    if (args.size() != 2) return usageError(QStringLiteral("最初と最後の行番号が必要です。"));
    datasource::RecordSource source;
    if (Result r = source.open(command.settings.db, command.settings.queryText()); !r) {
        messageBox(r.kind == ErrorKind::PathUnusable
                       ? QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽまたは読み取りﾌｧｲﾙのﾊﾟｽが無効です。"
                                        "ﾃﾞｰﾀﾍﾞｰｽ設定またはﾌｧｲﾙの存在を確認してください。")
                       : r.message,
                   QStringLiteral("設定エラー。データベースに接続できません。"));
        err(r.message + QLatin1Char('\n'));
        return 1;
    }
    printing::BarcodeParameters parameters;
    printing::RunContext rc{command.printers, command.control};
    return exitStatus(printing::runPartial(command.host, rc, source, args[0], args[1], parameters));
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
    {"all", runAll,
     "連続印刷: SQL が選ぶ各行のラベルを 1 行 1 枚で印刷します (最大 300 枚)。[--printer 名前]",
     "continuous run: print one label for every row the stored query selects (at most 300). "
     "[--printer NAME]"},
    {"range", runRange,
     "部分印刷: range 最初 最後 で、その行番号 (1 = 最初のデータ行) の範囲のラベルを印刷します。"
     "[--printer 名前]",
     "partial run: range FIRST LAST prints the labels of rows FIRST to LAST (1 = first record). "
     "[--printer NAME]"},
    {"printers", runPrinters,
     "インストールされているプリンターを列挙順に、受け付ける用紙コードとともに表示します"
     " (* はアプリケーションのプリンター)。",
     "list the installed printers in enumeration order with the paper codes each accepts "
     "(* marks the application printer)."},
};

void help() {
    QString text = QStringLiteral(
        "使い方: pellix-print <コマンド> [引数]\n"
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
        "all と range は印刷した各ラベルの行番号とバーコードをタブ区切りで標準出力に、\n"
        "終了メッセージを標準エラーに書きます。--printer 名前 でプリンターを選びます\n"
        "(出力設定の PRINTER が \"1\" でもダイアログは開きません)。省略するとアプリケーションの\n"
        "プリンター (CUPS の既定のキュー、なければ Pellix PDF) で印刷します。Pellix PDF は\n"
        "$PELLIX_PDF_DIR (未設定なら ~/Pellix/labels) に 1 枚ずつ PDF を書きます。\n"
        "終了コード: 0 正常終了、1 失敗、3 印刷枚数の上限 (300 枚) で停止、2 使い方の誤り。\n\n"
        "Usage: pellix-print <command> [arguments]\n"
        "Runs Pellix label work without windows. Settings come from the same settings folder as\n"
        "Pellix ($XDG_CONFIG_HOME/qrv_ini4, or ~/.config/qrv_ini4).\n\n"
        "Commands:\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1\t%2\n").arg(QLatin1String(c.name), QString::fromUtf8(c.summaryEn));
    text += QStringLiteral(
        "\nAn empty cell is an empty field; a backslash, tab or line break inside a field is\n"
        "written as \\\\, \\t, \\r or \\n. On failure, what the windows show in a message box\n"
        "(title: text) and the cause go to standard error, and the exit status is 1.\n\n"
        "all and range write the row number and barcode value of each printed label to standard\n"
        "output, separated by a tab, and the run's end message to standard error. --printer NAME\n"
        "chooses the printer (no dialog opens, even when the output settings' PRINTER is \"1\");\n"
        "without it the application printer prints (CUPS's default queue, else Pellix PDF).\n"
        "Pellix PDF writes one PDF per label into $PELLIX_PDF_DIR (or ~/Pellix/labels).\n"
        "Exit status: 0 normal end, 1 failure, 3 stopped by the label allowance (300), 2 usage.\n");
    out(text);
}

}  // namespace

int main(int argc, char** argv) {
    // Printing labels paints text, which needs a GUI application, never a display.
    const bool paints =
        argc > 1 && (std::strcmp(argv[1], "all") == 0 || std::strcmp(argv[1], "range") == 0);
    if (paints && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a session (no XDG_RUNTIME_DIR) Qt chooses a runtime folder itself and says so on
    // standard error, where the run's own messages go: that notice is left out.
    static QtMessageHandler next = nullptr;
    next = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& m) {
            if (m.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
            if (next)
                next(type, context, m);
            else
                err(m + QLatin1Char('\n'));
        });
    std::unique_ptr<QCoreApplication> app = paints ? std::make_unique<QApplication>(argc, argv)
                                                   : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
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
