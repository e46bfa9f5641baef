// Control utilities: check-list selection, item objects, group lists in combo and list boxes.
#include "ui/ControlUtils.h"

#include "core/Table.h"

#include <QComboBox>
#include <QListWidget>

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

} // namespace

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
