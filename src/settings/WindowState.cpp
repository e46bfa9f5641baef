// Saved window states in the preferences file: the main window's position.
#include "settings/WindowState.h"

#include "settings/IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

constexpr const char* MainSection = "MainWindow";

long long OverlapArea(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}

// Squared distance from a point to the nearest point of a rectangle.
long long DistanceSquared(const QPoint& p, const QRect& r)
{
    const long long dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
    const long long dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
    return dx * dx + dy * dy;
}

const QRect* ChooseScreen(const QRect& frame, const QList<QRect>& screens)
{
    const QRect* best = nullptr;
    long long bestArea = 0;
    for (const QRect& s : screens) {
        const long long area = OverlapArea(frame, s);
        if (area > bestArea) {
            best = &s;
            bestArea = area;
        }
    }
    if (best)
        return best;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const QRect& s : screens) {
        const long long d = DistanceSquared(frame.center(), s);
        if (d < bestDistance) {
            best = &s;
            bestDistance = d;
        }
    }
    return best;
}

// The axis' new start: pulled back from the far edge first, so that a window
// larger than the screen ends with its near edge (and its title bar) visible.
int FitAxis(int start, int length, int screenStart, int screenLength)
{
    if (start + length > screenStart + screenLength)
        start = screenStart + screenLength - length;
    return std::max(start, screenStart);
}

} // namespace

QPoint FitOnScreen(const QRect& frame, const QList<QRect>& screens)
{
    const QRect* screen = ChooseScreen(frame, screens);
    if (!screen)
        return frame.topLeft();
    return {FitAxis(frame.left(), frame.width(), screen->left(), screen->width()),
            FitAxis(frame.top(), frame.height(), screen->top(), screen->height())};
}

void LoadMainWindowPosition(QWidget* window, const std::string& iniFileName)
{
    const TIniFile ini(iniFileName);
    if (!ini.SectionExists(MainSection))
        return;
    const QPoint current = window->pos();
    const int top = ini.ReadInteger(MainSection, "Top", current.y());
    const int left = ini.ReadInteger(MainSection, "Left", current.x());

    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->geometry();
    const QRect frame(QPoint(left, top), window->frameGeometry().size());
    window->move(FitOnScreen(frame, screens));
}

void SaveMainWindowPosition(QWidget* window, const std::string& iniFileName, bool saveWindows)
{
    if (!saveWindows)
        return;
    TIniFile ini(iniFileName);
    const Qt::WindowStates special = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!(window->windowState() & special)) {
        ini.WriteInteger(MainSection, "Top", window->pos().y());
        ini.WriteInteger(MainSection, "Left", window->pos().x());
    }
    ini.UpdateFile();
}
