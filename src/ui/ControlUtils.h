// Small helpers shared by the dialogs: check-list selection, item objects and group lists in controls.
#pragma once

#include "core/DataUnit.h"

#include <string>

class QComboBox;
class QListWidget;

// "A" checks every item, "R" inverts every check mark, any other code unchecks
// every item; letter case does not matter.
void CheckListSelect(QListWidget* checkList, const std::string& code);

// The integer object (Qt::UserRole data) of the selected item; -1 when none is selected.
int ComboObject(const QComboBox* combo);
int ListObject(const QListWidget* list);

// Replace the items with the list's texts, each carrying its object as
// Qt::UserRole data. sorted re-orders them by text with the program's one
// case-insensitive order, as a sorting combo box does (the blank item first).
// No combo item is selected afterwards; check-list items start unchecked.
void SetGroupItems(QComboBox* combo, const TGroupList& groups, bool sorted = false);
void SetGroupItems(QListWidget* list, const TGroupList& groups, bool checkable = false);
