// Saved window states in the preferences file: window positions, sizes, grid layouts and sort orders.
#pragma once

#include "ui/WindowFrame.h"

#include <string>

class QWidget;
class TDBGrid;
class TTable;

// Positions and sizes below are the window's frame: "Top" and "Left" its
// outer corner, "Height" and "Width" its outer size (WindowFrame.h).

// Restores the main window's "Top" and "Left" from section "MainWindow" (a
// missing key keeps the current value) and moves the window, frame and title
// bar included, as little as needed to lie wholly on a screen. Without the
// section the window stays where it is.
void LoadMainWindowPosition(QWidget* window, const std::string& iniFileName);

// With saveWindows on, writes "Top" and "Left" when the window is neither
// minimized nor maximized, then writes the file back even when nothing changed.
void SaveMainWindowPosition(QWidget* window, const std::string& iniFileName, bool saveWindows);

// Restores a browse window from its section: "Top", "Left", "Height" and
// "Width" (only when "Top" is there), moved as little as needed to lie wholly
// on a screen, "Maximized", the grid's
// columns from "Columns" and the table's index from "Index". Without the
// section the table takes the index named by the grid's first column. Then the
// title of the column whose field names the table's index turns bold and every
// other title normal. Runs whatever SaveWindows says. Never throws: the first
// failure (a file that cannot be read, a "Columns" value that is not Base64 or
// not a column layout, an "Index" that names no index) ends the restore there,
// keeping the steps done before it, and is shown by the program's error report,
// so the window still opens.
void LoadWindowState(const std::string& section, QWidget* window, TDBGrid* grid, TTable& table,
                     const std::string& iniFileName);

// With saveWindows on: "Top", "Left", "Height" and "Width" when the window is
// neither minimized nor maximized, then "Maximized" (1 or 0), "Index" (the
// table's index) and "Columns" (the grid's layout in Base64), and writes the
// file back. Throws EQuillonError when the file cannot be read or written.
void SaveWindowState(const std::string& section, QWidget* window, TDBGrid* grid, const TTable& table,
                     const std::string& iniFileName, bool saveWindows);

// Erases the sections "MainWindow", "BadHostBrowse" and "GoodHostBrowse" and
// writes the file back, so every window opens with its design state.
void DeleteWindowStates(const std::string& iniFileName);
