// The user journeys' probe: preloaded into the real program (LD_PRELOAD), it writes what the
// program shows, as JSON, to the file named by PAKRUNE_JOURNEY_PROBE, whenever that changes: the
// visible windows; the buttons, labels and edit boxes in them with their texts and places on the
// screen; the rows of every list and the open branches of every tree, with the selection; the
// selected text of text boxes; and the highest value each progress bar reached. It reads only
// Qt's own widgets and models, so the program carries no test code of its own. The journeys act
// through real keys and clicks and read here what the user would see.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <map>

namespace {

// Rows of a list written at most: enough for every archive a journey opens.
constexpr int kMostRows = 5000;
constexpr int kIntervalMs = 100;

QJsonArray Rect(const QWidget* widget, const QRect& local) {
    const QPoint topLeft = widget->mapToGlobal(local.topLeft());
    return {topLeft.x(), topLeft.y(), local.width(), local.height()};
}

// A widget's name: its own, else its parent's (the view inside a list is the list's).
QString NameOf(const QWidget* widget) {
    if (!widget->objectName().isEmpty())
        return widget->objectName();
    const QWidget* parent = widget->parentWidget();
    return parent && !parent->isWindow() ? parent->objectName() : QString();
}

QJsonObject Common(const QWidget* widget) {
    return {{"class", widget->metaObject()->className()},
            {"name", NameOf(widget)},
            {"rect", Rect(widget, widget->rect())},
            {"enabled", widget->isEnabled()}};
}

QJsonArray Header(const QAbstractItemView* view) {
    QJsonArray sections;
    const auto* header = view->findChild<const QHeaderView*>();
    if (!header || !header->isVisible())
        return sections;
    for (int section = 0; section < header->count(); ++section) {
        const QRect local(header->sectionViewportPosition(section), 0, header->sectionSize(section),
                          header->height());
        sections.append(
            QJsonObject{{"text", view->model()->headerData(section, Qt::Horizontal).toString()},
                        {"hidden", header->isSectionHidden(section)},
                        {"rect", Rect(header->viewport(), local)}});
    }
    return sections;
}

// The place of an item on the screen, when it is in view.
void AddPlace(QJsonObject& item, const QAbstractItemView* view, const QModelIndex& index) {
    const QRect rect = view->visualRect(index);
    if (rect.isValid() && view->viewport()->rect().contains(rect.center()))
        item.insert("rect", Rect(view->viewport(), rect));
}

// Every row of a flat model, with its cells.
QJsonObject Rows(const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    QJsonArray rows;
    const int count = std::min(model->rowCount(), kMostRows);
    for (int row = 0; row < count; ++row) {
        QJsonArray cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        QJsonObject item{
            {"cells", cells},
            {"selected", view->selectionModel() && view->selectionModel()->isRowSelected(row)}};
        AddPlace(item, view, model->index(row, 0));
        rows.append(item);
    }
    return {{"rowCount", model->rowCount()}, {"rows", rows}, {"header", Header(view)}};
}

// The items of a tree down every open branch, each with its path of texts from the top.
void Branch(const QTreeView* view, const QModelIndex& parent, const QString& path,
            QJsonArray& items) {
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString text = index.data().toString();
        const QString itemPath = path.isEmpty() ? text : path + "/" + text;
        QJsonObject item{{"path", itemPath},
                         {"expanded", view->isExpanded(index)},
                         {"selected", view->selectionModel()->isSelected(index)},
                         {"current", view->currentIndex() == index}};
        AddPlace(item, view, index);
        items.append(item);
        if (view->isExpanded(index))
            Branch(view, index, itemPath, items);
    }
}

class Probe : public QObject {
public:
    explicit Probe(QString path) : QObject(qApp), path_(std::move(path)) {
        timer_.callOnTimeout(this, &Probe::Write);
        timer_.start(kIntervalMs);
    }

private:
    void Write() {
        QJsonArray windows;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                windows.append(Window(window));
        const QWidget* focus = QApplication::focusWidget();
        const QJsonObject state{{"windows", windows},
                                {"focus", focus ? NameOf(focus) : QString()},
                                {"progress", Peaks()}};
        const QByteArray json = QJsonDocument(state).toJson(QJsonDocument::Compact);
        if (json == last_)
            return;
        QSaveFile file(path_);
        if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
            last_ = json;
    }

    QJsonObject Window(QWidget* window) {
        QJsonObject shown = Common(window);
        shown.insert("title", window->windowTitle());
        shown.insert("active", window == QApplication::activeWindow() ||
                                   window == QApplication::activePopupWidget());
        shown.insert("modal", window == QApplication::activeModalWidget());
        if (const auto* menu = qobject_cast<const QMenu*>(window)) {
            QJsonArray items;
            for (const QAction* action : menu->actions())
                items.append(action->text());
            shown.insert("items", items);
        }
        QJsonArray widgets, views, texts;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            // A header is read with its view.
            if (!widget->isVisible() || qobject_cast<const QHeaderView*>(widget))
                continue;
            if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model())
                views.append(View(view));
            else if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
                texts.append(Text(widget, edit->textCursor().selectedText(), edit->toPlainText()));
            else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
                texts.append(
                    Text(widget, plain->textCursor().selectedText(), plain->toPlainText()));
            else if (auto* bar = qobject_cast<QProgressBar*>(widget))
                Watch(window, bar);
            else if (auto control = Control(widget); !control.isEmpty())
                widgets.append(control);
        }
        shown.insert("widgets", widgets);
        shown.insert("views", views);
        shown.insert("texts", texts);
        return shown;
    }

    static QJsonObject View(const QAbstractItemView* view) {
        QJsonObject shown = Common(view);
        if (const auto* tree = qobject_cast<const QTreeView*>(view)) {
            QJsonArray items;
            Branch(tree, {}, {}, items);
            shown.insert("items", items);
        } else {
            const QJsonObject rows = Rows(view);
            for (auto it = rows.begin(); it != rows.end(); ++it)
                shown.insert(it.key(), it.value());
        }
        return shown;
    }

    static QJsonObject Text(const QWidget* widget, const QString& selected, const QString& text) {
        QJsonObject shown = Common(widget);
        shown.insert("selected", selected);
        shown.insert("text", text.left(4096));
        return shown;
    }

    // A button, label or edit box with its text; empty for other widgets.
    static QJsonObject Control(const QWidget* widget) {
        QJsonObject shown;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            shown = Common(widget);
            shown.insert("text", button->text());
            shown.insert("checked", button->isChecked());
            if (const auto* push = qobject_cast<const QPushButton*>(widget))
                shown.insert("default", push->isDefault());
        } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            shown = Common(widget);
            shown.insert("text", label->text());
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            shown = Common(widget);
            shown.insert("text", edit->echoMode() == QLineEdit::Normal ? edit->text() : QString());
        }
        return shown;
    }

    // Follows a progress bar from the moment it is first seen, keeping the highest value it took.
    void Watch(const QWidget* window, QProgressBar* bar) {
        const QString key = NameOf(window) + "/" + NameOf(bar);
        if (bars_.contains(key) && bars_[key].bar == bar)
            return;
        bars_[key] = {bar, bar->value()};
        connect(bar, &QProgressBar::valueChanged, this,
                [this, key](int value) { bars_[key].peak = std::max(bars_[key].peak, value); });
    }

    QJsonObject Peaks() const {
        QJsonObject peaks;
        for (const auto& [key, watched] : bars_)
            peaks.insert(key, QJsonObject{{"value", watched.bar ? watched.bar->value() : 0},
                                          {"peak", watched.peak}});
        return peaks;
    }

    struct Watched {
        QPointer<QProgressBar> bar;
        int peak = 0;
    };
    QString path_;
    QTimer timer_;
    QByteArray last_;
    std::map<QString, Watched> bars_;
};

void StartProbe() {
    const QString path = qEnvironmentVariable("PAKRUNE_JOURNEY_PROBE");
    if (path.isEmpty())
        return;
    // Once the event loop runs: the application is not whole while its constructor runs this.
    QTimer::singleShot(0, qApp, [path] { new Probe(path); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
