#include "app/Screenshots.h"

#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/frmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QRawFont>
#include <QSet>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTabBar>
#include <QTextLayout>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace pellix::app {

QStringList glyphProblems(const QString& text, const QFont& font) {
    QStringList problems;
    QSet<char32_t> seen;
    for (const char32_t c : text.toUcs4()) {
        if (seen.contains(c) || QChar::isSpace(c) || QChar::category(c) == QChar::Other_Control ||
            QChar::category(c) == QChar::Other_Format)
            continue;
        seen.insert(c);
        // Laid out alone, as the text's font and its fallbacks draw it.
        QTextLayout layout(QString::fromUcs4(&c, 1), font);
        layout.beginLayout();
        layout.createLine().setLineWidth(1 << 16);
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        bool missing = runs.isEmpty();
        QString face;
        for (const QGlyphRun& run : runs) {
            for (const quint32 glyph : run.glyphIndexes())
                if (glyph == 0) missing = true;  // glyph 0 is the missing-glyph box
            face = run.rawFont().familyName();
        }
        const QString code = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        if (missing)
            problems << QStringLiteral("%1 (%2) draws a missing-glyph box")
                            .arg(code, QString::fromUcs4(&c, 1));
        else if (c > 0x7E && !face.startsWith(QLatin1String("IPA"), Qt::CaseInsensitive))
            problems << QStringLiteral("%1 (%2) is drawn in %3, not an IPA face")
                            .arg(code, QString::fromUcs4(&c, 1), face);
    }
    return problems;
}

namespace {

// The texts a widget shows, with the font it draws them in.
QList<std::pair<QString, QFont>> shownTexts(QWidget* w) {
    QList<std::pair<QString, QFont>> texts;
    const QFont font = w->font();
    if (auto* label = qobject_cast<QLabel*>(w))
        texts.append({label->text(), font});
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        texts.append({button->text(), font});
    else if (auto* frame = qobject_cast<QGroupBox*>(w))
        texts.append({frame->title(), font});
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        texts.append({edit->text(), font});
    else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) texts.append({combo->itemText(i), font});
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) texts.append({tabs->tabText(i), font});
    } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
        if (const QAbstractItemModel* model = view->model()) {
            for (int c = 0; c < model->columnCount(); ++c) {
                texts.append({model->headerData(c, Qt::Horizontal).toString(), font});
                for (int r = 0; r < std::min(model->rowCount(), 50); ++r)
                    texts.append({model->index(r, c).data().toString(), font});
            }
        }
    } else if (auto* bar = qobject_cast<QMenuBar*>(w)) {
        for (QAction* a : bar->actions()) {
            texts.append({a->text(), bar->font()});
            if (QMenu* menu = a->menu())
                for (QAction* item : menu->actions()) texts.append({item->text(), menu->font()});
        }
    }
    return texts;
}

QString controlName(QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                     : w->objectName();
}

}  // namespace

QStringList windowGlyphProblems(QWidget* window, const QString& name) {
    QStringList problems;
    // The caption: a child window's frame draws it; a separate window's comes from the window
    // system, in the program's default face at best.
    QWidget* frame = window;
    if (auto* w = qobject_cast<shell::Window*>(window)) frame = w->frame();
    const QFont captionFont = frame != window ? frame->font() : QApplication::font();
    if (const QStringList p = glyphProblems(window->windowTitle(), captionFont); !p.isEmpty())
        problems << QStringLiteral("%1 caption \"%2\": %3")
                        .arg(name, window->windowTitle(), p.join(QStringLiteral("; ")));

    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (w != window && !w->isVisibleTo(window)) continue;
        for (const auto& [text, font] : shownTexts(w))
            if (const QStringList p = glyphProblems(text, font); !p.isEmpty())
                problems << QStringLiteral("%1.%2 \"%3\": %4")
                                .arg(name, controlName(w), text, p.join(QStringLiteral("; ")));
    }
    return problems;
}

namespace {

// Lets the windows lay themselves out and paint; user input stays queued.
void settle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 100) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

QPixmap withCaption(QWidget* widget) {
    const QPixmap client = widget->grab();
    if (!widget->isWindow()) return client;
    QStyleOptionTitleBar bar;
    bar.initFrom(widget);
    bar.text = widget->windowTitle();
    bar.icon = widget->windowIcon();
    bar.titleBarFlags =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    bar.subControls = QStyle::SC_All;
    bar.state |= QStyle::State_Active;
    bar.titleBarState = Qt::WindowActive;
    bar.fontMetrics = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"));
    QStyle* style = widget->style();
    const int height = style->pixelMetric(QStyle::PM_TitleBarHeight, &bar, widget);
    bar.rect = QRect(0, 0, client.width(), height);
    QPixmap framed(client.width(), height + client.height());
    framed.fill(widget->palette().color(QPalette::Window));
    QPainter painter(&framed);
    painter.setFont(QApplication::font("QMdiSubWindowTitleBar"));
    style->drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, widget);
    painter.drawPixmap(0, height, client);
    return framed;
}

class Shooter {
  public:
    Shooter(const QString& folder, QTextStream& report) : folder_(folder), report_(report) {}

    // Saves a picture of the widget. A window of its own gets its caption drawn above it, as the
    // window system would frame it (there is none under xvfb-run).
    void save(QWidget* widget, const QString& name) {
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        if (!withCaption(widget).save(path)) {
            fail(QStringLiteral("%1: could not write %2").arg(name, path));
            return;
        }
        report_ << path << '\n';
    }
    void check(QWidget* window, const QString& name) {
        for (const QString& p : windowGlyphProblems(window, name)) fail(p);
    }
    void fail(const QString& problem) {
        report_ << "FAIL " << problem << '\n';
        failed_ = true;
    }
    bool failed() const { return failed_; }

    // Saves and dismisses a message box that a window's load brings up.
    void dismissMessageBoxes(const QString& during) {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible()) return;
        const QString name = QStringLiteral("%1-message-%2").arg(during).arg(++messages_);
        check(box, name);
        save(box, name);
        box->close();
    }

  private:
    QString folder_;
    QTextStream& report_;
    bool failed_ = false;
    int messages_ = 0;
};

}  // namespace

int saveScreenshots(shell::frmMain& main, shell::WindowRegistry& windows, const QString& folder,
                    QTextStream& report) {
    Shooter shooter(folder, report);
    if (!QDir().mkpath(folder)) {
        shooter.fail(QStringLiteral("cannot create %1").arg(folder));
        return 1;
    }
    QString current = QStringLiteral("frmMain");
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] { shooter.dismissMessageBoxes(current); });
    boxes.start(50);

    settle();
    shooter.check(&main, current);
    for (QWidget* w : main.findChildren<QWidget*>())
        if (auto* window = qobject_cast<shell::Window*>(w); window && window->isVisible())
            shooter.check(window, current + QStringLiteral("/") + window->objectName());
    shooter.save(&main, current);

    for (const QMetaObject* type : windows.added()) {
        current = QString::fromLatin1(type->className()).section(QStringLiteral("::"), -1);
        shell::Window* window = windows.show(*type);
        if (!window) {
            shooter.fail(QStringLiteral("%1 did not open").arg(current));
            continue;
        }
        settle();
        QPointer<shell::Window> open = window;
        if (!open || open->isUnloaded()) continue;  // it closed itself
        shooter.check(open, current);
        shooter.save(open->frame(), current);
        open->Unload();
        settle();
    }
    return shooter.failed() ? 1 : 0;
}

}  // namespace pellix::app
