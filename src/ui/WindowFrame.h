// Window frames: the frame the window system draws around a window, and placing windows by their frames.
#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

class QWidget;

// Top-left corner that moves frame as little as needed to lie wholly on one of
// screens: the one it overlaps most, or the nearest when it overlaps none. A
// frame larger than the screen keeps its left and top edges on it.
QPoint FitOnScreen(const QRect& frame, const QList<QRect>& screens);

// Top-left corner of a frame of size frame centred over the frame owner:
// halves taken with the fraction dropped, a negative left or top raised to 0,
// then moved as little as needed to lie wholly inside screen.
QPoint CentreOver(const QRect& owner, const QSize& frame, const QRect& screen);

// The client geometry of a window whose client area of size client, with the
// frame margins around it, is centred over owner as CentreOver places it.
QRect CentredGeometry(const QRect& owner, const QSize& client, const QMargins& margins, const QRect& screen);

// The client geometry of a window whose frame, margins around its client area,
// is to cover frame, moved as little as needed to lie wholly on one of screens.
QRect FittedGeometry(const QRect& frame, const QMargins& margins, const QList<QRect>& screens);

// The geometries of the screens.
QList<QRect> ScreenGeometries();

// The frame around a top-level window's client area: the window system's own
// once it has framed the window (shown it). Until then an estimate: the frame
// last seen around a window of the same kind (fixed size or sizeable, whose
// frames often differ by a resize border), else around any window; no frame
// before any window was seen framed.
QMargins FrameMargins(const QWidget* window);

// The window's position and outer size, its frame included.
QRect OuterGeometry(const QWidget* window);

// Gives window the client geometry that geometryFor computes from the frame
// margins. A window that the window system has not framed yet gets it from
// the estimated frame, and again from the real one once it is framed, should
// they differ (unless it is minimized or maximized by then).
void PlaceByFrame(QWidget* window, std::function<QRect(const QMargins&)> geometryFor);

// Centres window's frame over owner's frame as CentreOver places it, on the
// monitor that shows the owner's centre; without an owner, on the primary screen.
void PlaceCentred(QWidget* window, const QWidget* owner);

// The outermost window of widget's chain of owners: the program's main window.
QWidget* MainWindowOf(QWidget* widget);

// Each time dialog is shown it is centred over the main window (PlaceCentred),
// unless it was given a position before (a restored window state).
void CentreOverMainWindow(QWidget* dialog);
