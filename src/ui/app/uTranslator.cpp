#include "ui/app/uTranslator.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWidget>

namespace tw {
namespace {

bool Same(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// Sets an existing string property whose name matches without regard to case.
bool SetOwnProperty(QObject* target, const QString& name, const QString& value) {
    const QMetaObject* meta = target->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (Same(name, property.name()) && property.isWritable() &&
            property.metaType().id() == QMetaType::QString)
            return property.write(target, value);
    }
    return false;
}

void SetProperty(QObject* target, const QString& name, const QString& value) {
    if (!SetOwnProperty(target, name, value))
        target->setProperty(name.toUtf8().constData(), value);
}

// The tab widget whose page `widget` is, if any.
QTabWidget* TabWidgetOfPage(QWidget* widget) {
    QWidget* stack = widget->parentWidget();
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

void SetCaption(QObject* target, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(target))
        return action->setText(value);
    if (auto* menu = qobject_cast<QMenu*>(target))
        return menu->setTitle(value);
    if (auto* group = qobject_cast<QGroupBox*>(target))
        return group->setTitle(value);
    auto* widget = qobject_cast<QWidget*>(target);
    if (widget && widget->isWindow())
        return widget->setWindowTitle(value);
    if (widget && qobject_cast<QStackedWidget*>(widget->parentWidget())) {
        // A page: its title is what a wizard shows, its tab text what a page control shows.
        widget->setWindowTitle(value);
        if (QTabWidget* tabs = TabWidgetOfPage(widget))
            tabs->setTabText(tabs->indexOf(widget), value);
        return;
    }
    if (!SetOwnProperty(target, QStringLiteral("text"), value) &&
        !SetOwnProperty(target, QStringLiteral("title"), value))
        SetProperty(target, QStringLiteral("Caption"), value);
}

void SetHint(QObject* target, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setToolTip(value);
        action->setStatusTip(value);
    } else if (auto* widget = qobject_cast<QWidget*>(target)) {
        widget->setToolTip(value);
    } else {
        SetProperty(target, QStringLiteral("Hint"), value);
    }
}

void SetTitle(QObject* target, const QString& value) {
    auto* widget = qobject_cast<QWidget*>(target);
    if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
        widget->setWindowTitle(value);
    else if (!SetOwnProperty(target, QStringLiteral("title"), value))
        SetProperty(target, QStringLiteral("Title"), value);
}

// Replaces the texts of a list of items, keeping the pictures and data of those that remain.
template <typename SetText, typename Add, typename RemoveLast>
void ReplaceItems(int count, const QStringList& lines, SetText setText, Add add,
                  RemoveLast removeLast) {
    for (int i = 0; i < lines.size(); ++i) {
        if (i < count)
            setText(i, lines[i]);
        else
            add(lines[i]);
    }
    for (int i = count; i > lines.size(); --i)
        removeLast(i - 1);
}

void SetLines(QObject* target, const QString& name, const QString& value) {
    const QStringList lines = value.split(QLatin1Char('\n'));
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        ReplaceItems(
            combo->count(), lines, [&](int i, const QString& t) { combo->setItemText(i, t); },
            [&](const QString& t) { combo->addItem(t); }, [&](int i) { combo->removeItem(i); });
    } else if (auto* list = qobject_cast<QListWidget*>(target)) {
        ReplaceItems(
            list->count(), lines, [&](int i, const QString& t) { list->item(i)->setText(t); },
            [&](const QString& t) { list->addItem(t); }, [&](int i) { delete list->takeItem(i); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) {
        plain->setPlainText(value);
    } else if (auto* rich = qobject_cast<QTextEdit*>(target)) {
        rich->setPlainText(value);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(value);
    } else {
        SetProperty(target, name, value);
    }
}

// "Prop[i].Sub": an item of a collection property.
bool SetCollectionItem(QObject* target, const QString& property, const QString& value) {
    static const QRegularExpression pattern(QStringLiteral(R"(^(\w+)\[(\d+)\]\.(\w+)$)"));
    const QRegularExpressionMatch match = pattern.match(property);
    if (!match.hasMatch())
        return false;
    const QString collection = match.captured(1);
    const int index = match.captured(2).toInt();
    const bool text = Same(match.captured(3), "Caption") || Same(match.captured(3), "Text");

    if (auto* tabs = qobject_cast<QTabWidget*>(target);
        tabs && text && (Same(collection, "Tabs") || Same(collection, "Pages"))) {
        if (index < tabs->count())
            tabs->setTabText(index, value);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(target);
               tree && text && Same(collection, "Columns")) {
        if (index < tree->columnCount())
            tree->headerItem()->setText(index, value);
    } else if (auto* table = qobject_cast<QTableWidget*>(target);
               table && text && Same(collection, "Columns")) {
        if (index < table->columnCount())
            table->setHorizontalHeaderItem(index, new QTableWidgetItem(value));
    } else if (auto* combo = qobject_cast<QComboBox*>(target);
               combo && text && Same(collection, "Items")) {
        if (index < combo->count())
            combo->setItemText(index, value);
    } else if (auto* list = qobject_cast<QListWidget*>(target);
               list && text && Same(collection, "Items")) {
        if (index < list->count())
            list->item(index)->setText(value);
    } else {
        target->setProperty(property.toUtf8().constData(), value);
    }
    return true;
}

void ApplyValue(QObject* target, const QString& property, const QString& value) {
    if (SetCollectionItem(target, property, value))
        return;
    if (Same(property, "Caption"))
        SetCaption(target, value);
    else if (Same(property, "Hint"))
        SetHint(target, value);
    else if (Same(property, "Title"))
        SetTitle(target, value);
    else if (Same(property, "Lines") || Same(property, "Items"))
        SetLines(target, property, value);
    else
        SetProperty(target, property, value);
}

} // namespace

QString WindowLanguageSection(const QWidget* window) {
    QString name = QString::fromLatin1(window->metaObject()->className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    if (name.startsWith(QLatin1String("Tfrm")))
        return name;
    return QLatin1Char('T') + window->objectName();
}

void ApplyLanguageValues(QWidget* window, const TNameValues& values) {
    // Component names compare without regard to case, as in the language files.
    QHash<QString, QObject*> components;
    components.insert(window->objectName().toLower(), window);
    for (QObject* child : window->findChildren<QObject*>())
        if (!child->objectName().isEmpty() && !components.contains(child->objectName().toLower()))
            components.insert(child->objectName().toLower(), child);

    for (const auto& [key, value] : values) {
        const QString name = QString::fromUtf8(key);
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot <= 0)
            continue;
        if (QObject* target = components.value(name.left(dot).toLower()))
            ApplyValue(target, name.mid(dot + 1), QString::fromUtf8(value));
    }
}

} // namespace tw
