// Small helpers shared by the dialogs: check-list selection, item objects, group lists in controls, one-line edits.
#pragma once

#include "core/DataUnit.h"

#include <QLatin1String>
#include <QString>
#include <QValidator>

#include <string>

class QCloseEvent;
class QComboBox;
class QFileDialog;
class QEvent;
class QLineEdit;
class QListWidget;
class QObject;
class QPushButton;
class QWidget;

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

// Qt makes the first item of a list current when the list takes the focus,
// and draws the current item much like a selected one, although nothing is
// chosen and OK would find no choice. In list the current item is always a
// selected one: an item that is current without being selected stops being
// current (so a click, a key or the code chooses, and nothing else seems to).
void CurrentOnlyWhenSelected(QListWidget* list);

// For a dialog's event filter: true when event is a key press (or its
// short-cut offer) with Alt held in a widget of dialog, which is then claimed
// so that no control, short-cut or the dialog itself sees it. Characters
// typed with AltGr (reported as Ctrl+Alt on Windows) are let through.
bool SwallowAltKey(const QWidget* dialog, QObject* watched, QEvent* event);

// A one-line edit claims several standard keys for itself (clipboard, select
// all, and on some desktops Ctrl+A, Ctrl+E, Ctrl+B, Ctrl+D, Ctrl+H as cursor
// and delete keys), so a window's short-cut on such a key would never run
// while the edit has the focus. This gives the short-cuts of the actions of
// control's window precedence over control; other keys stay with control.
void PreferWindowShortcuts(QWidget* control);

// Outside a dialog Qt draws a default button but gives it no key. This makes
// button the default of its window: Enter pressed anywhere in the window
// presses it, except on another push button with the focus, which Enter
// presses instead, as in a dialog.
void MakeDefaultButton(QPushButton* button);

// Alt+F4 usually never arrives as a key: the window manager asks the window
// to close. True for such a request while Alt is still held.
bool IsAltCloseRequest(const QCloseEvent* event);

// Opens a file dialog in the folder of the file named, with its name
// filled in; nothing when the name is empty.
void StartAtFile(QFileDialog& dialog, const QString& current);
// Runs a prepared file dialog from the file named: the chosen file, or
// empty when cancelled.
QString ChooseFile(QFileDialog& dialog, const QString& current);

// For an edit whose value is stored as one line (a preference, a table field
// that becomes one line of the HOSTS file): a pasted line break would cut the
// line there and turn the rest into lines of their own. Every run of line
// breaks becomes one blank as it is typed or pasted.
class TOneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Names a control after its member, so tests and style sheets find it.
template <class T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Blanks and control characters gone from both ends: the one trim of typed text.
QString Trimmed(const QString& text);

// Trims an edit's text and puts it back, so the user sees what is used.
std::string TrimEdit(QLineEdit* edit);
