// Control utilities: check-list selection, item objects, group lists in combo and list boxes, one-line edits.
#include "ui/ControlUtils.h"

#include "core/Table.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

void CheckListSelect(QListWidget* checkList, const std::string& code)
{
    const bool all = TTable::SameText(code, "A");
    const bool invert = TTable::SameText(code, "R");
    for (int i = 0; i < checkList->count(); ++i) {
        QListWidgetItem* item = checkList->item(i);
        bool checked = false;
        if (all)
            checked = true;
        else if (invert)
            checked = item->checkState() != Qt::Checked;
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

int ComboObject(const QComboBox* combo)
{
    const int index = combo->currentIndex();
    return index < 0 ? -1 : combo->itemData(index, Qt::UserRole).toInt();
}

int ListObject(const QListWidget* list)
{
    // A single-choice list answers with its selected item; a multi-choice list
    // with the item that has the focus.
    const QListWidgetItem* item = nullptr;
    if (list->selectionMode() == QAbstractItemView::SingleSelection) {
        const auto selected = list->selectedItems();
        if (!selected.isEmpty())
            item = selected.first();
    } else {
        item = list->currentItem();
    }
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

namespace {

TGroupList InOrder(const TGroupList& groups, bool sorted)
{
    TGroupList items = groups;
    if (sorted)
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
            return TTable::CompareText(a.text, b.text) < 0;
        });
    return items;
}

}   // namespace

void SetGroupItems(QComboBox* combo, const TGroupList& groups, bool sorted)
{
    combo->clear();
    for (const TGroupListItem& g : InOrder(groups, sorted))
        combo->addItem(QString::fromStdString(g.text), g.object);
    // Qt selects the first item added; the caller chooses which one is selected.
    combo->setCurrentIndex(-1);
}

void SetGroupItems(QListWidget* list, const TGroupList& groups, bool checkable)
{
    list->clear();
    for (const TGroupListItem& g : groups) {
        auto* item = new QListWidgetItem(QString::fromStdString(g.text), list);
        item->setData(Qt::UserRole, g.object);
        if (checkable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

void CurrentOnlyWhenSelected(QListWidget* list)
{
    QItemSelectionModel* selection = list->selectionModel();
    const auto check = [selection] {
        const QModelIndex current = selection->currentIndex();
        if (current.isValid() && !selection->isSelected(current))
            selection->clearCurrentIndex();
    };
    // Queued: a click makes its item current before it selects it.
    QObject::connect(selection, &QItemSelectionModel::currentChanged, list, check, Qt::QueuedConnection);
    QObject::connect(selection, &QItemSelectionModel::selectionChanged, list, check, Qt::QueuedConnection);
}

bool SwallowAltKey(const QWidget* dialog, QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers();
    const bool altGrCharacter =
        (mods & Qt::ControlModifier) && !key->text().isEmpty() && key->text().front().isPrint();
    if (widget && widget->window() == dialog && (mods & Qt::AltModifier) && !altGrCharacter) {
        event->accept();
        return true;
    }
    return false;
}

namespace {

// Turns down the short-cut offers of the window's own short-cuts, so that
// the window's action runs instead of the control taking the key.
class TWindowShortcutsFirst : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto* control = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!control || !IsWindowShortcut(control->window(), key))
            return false;
        event->ignore();
        return true;
    }

private:
    static bool IsWindowShortcut(const QWidget* window, const QKeyEvent* key)
    {
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : window->actions())
            if (action->isEnabled())
                for (const QKeySequence& shortcut : action->shortcuts())
                    if (shortcut.matches(pressed) == QKeySequence::ExactMatch)
                        return true;
        return false;
    }
};

}   // namespace

void PreferWindowShortcuts(QWidget* control)
{
    control->installEventFilter(new TWindowShortcutsFirst(control));
}

namespace {

// Watches the window for the Enter keys that no control took.
class TDefaultButtonKey : public QObject {
public:
    explicit TDefaultButtonKey(QPushButton* button) : QObject(button), button(button) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        auto* pressed = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (!pressed || pressed->window() != button->window())
            pressed = button;
        if (pressed->isEnabled() && pressed->isVisible())
            pressed->click();
        return true;
    }

private:
    QPushButton* button;
};

}   // namespace

void MakeDefaultButton(QPushButton* button)
{
    button->setDefault(true);
    button->window()->installEventFilter(new TDefaultButtonKey(button));
}

bool IsAltCloseRequest(const QCloseEvent* event)
{
    return event->spontaneous() && (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier);
}

QValidator::State TOneLineValidator::validate(QString& input, int& pos) const
{
    QString text;
    text.reserve(input.size());
    int newPos = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const bool lineBreak = input[i] == u'\r' || input[i] == u'\n';
        if (!lineBreak) {
            text += input[i];
            continue;
        }
        if (i == 0 || (input[i - 1] != u'\r' && input[i - 1] != u'\n'))
            text += u' ';
        else if (i < pos)
            --newPos;
    }
    input = text;
    pos = newPos;
    return Acceptable;
}

QString Trimmed(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] <= QChar(' '))
        ++first;
    while (last > first && text[last - 1] <= QChar(' '))
        --last;
    return text.mid(first, last - first);
}

std::string TrimEdit(QLineEdit* edit)
{
    const QString trimmed = Trimmed(edit->text());
    if (trimmed != edit->text())
        edit->setText(trimmed);
    return trimmed.toStdString();
}

void StartAtFile(QFileDialog& dialog, const QString& current)
{
    if (current.isEmpty())
        return;
    const QFileInfo info(current);
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

QString ChooseFile(QFileDialog& dialog, const QString& current)
{
    StartAtFile(dialog, current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
