// Saved window states in the preferences file: the main window's position.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

#include <string>

class QWidget;

// Top-left corner that moves frame as little as needed to lie wholly on one of
// screens: the one it overlaps most, or the nearest when it overlaps none. A
// frame larger than the screen keeps its left and top edges on it.
QPoint FitOnScreen(const QRect& frame, const QList<QRect>& screens);

// Restores the main window's "Top" and "Left" from section "MainWindow" (a
// missing key keeps the current value) and keeps the window on a screen.
// Without the section the window stays where it is.
void LoadMainWindowPosition(QWidget* window, const std::string& iniFileName);

// With saveWindows on, writes "Top" and "Left" when the window is neither
// minimized nor maximized, then writes the file back even when nothing changed.
void SaveMainWindowPosition(QWidget* window, const std::string& iniFileName, bool saveWindows);
