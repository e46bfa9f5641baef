// Saved window states in the preferences file: window positions, sizes, grid layouts and sort orders.
#include "ui/WindowState.h"

#include "core/Table.h"
#include "settings/Codecs.h"
#include "settings/IniFile.h"
#include "ui/DBGrid.h"
#include "ui/ErrorGuard.h"

#include "platform/Errors.h"

#include <QApplication>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

constexpr const char* MainSection = "MainWindow";
constexpr Qt::WindowStates SpecialStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

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

// The frame around a window's client area, as far as the platform has told
// it; nothing before the window was first shown.
QMargins FrameMargins(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle && window->isVisible() ? handle->frameMargins() : QMargins();
}

// The window's position and outer size.
QRect OuterGeometry(const QWidget* window) { return window->geometry().marginsAdded(FrameMargins(window)); }

// What the frame adds to the client size. A window not shown yet has no frame,
// so the frame of a visible window (the main window) stands in; otherwise a
// restored outer size would grow by the frame at every opening.
QSize FrameExtra(const QWidget* window)
{
    QMargins margins = FrameMargins(window);
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (!margins.isNull())
            break;
        if (other != window && other->windowType() == Qt::Window)
            margins = FrameMargins(other);
    }
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

// The saved columns, checked against the table before the grid takes them.
std::vector<TDBColumn> SavedColumns(const std::string& bytes, const TTable& table)
{
    std::vector<TDBColumn> columns = TDBGrid::DecodeLayout(bytes);
    for (const TDBColumn& column : columns)
        if (!table.HasField(column.fieldName))
            throw EQuillonError("The saved column layout cannot be read: the table " + table.Name() +
                                " has no field " + column.fieldName + ".");
    return columns;
}

void RestoreWindowState(const std::string& section, QWidget* window, TDBGrid* grid, TTable& table,
                        const std::string& iniFileName)
{
    const TIniFile ini(iniFileName);
    if (ini.SectionExists(section)) {
        if (ini.ValueExists(section, "Top")) {
            const QRect frame = OuterGeometry(window);
            const int top = ini.ReadInteger(section, "Top", frame.top());
            const int left = ini.ReadInteger(section, "Left", frame.left());
            const int height = ini.ReadInteger(section, "Height", frame.height());
            const int width = ini.ReadInteger(section, "Width", frame.width());
            window->move(left, top);
            window->resize(QSize(width, height) - FrameExtra(window));
        }
        if (ini.ReadBool(section, "Maximized", false))
            window->setWindowState(window->windowState() | Qt::WindowMaximized);
        const std::string layout = Base64Decode(ini.ReadString(section, "Columns", ""));
        if (!layout.empty())
            grid->SetColumns(SavedColumns(layout, table));
        table.SetIndexName(ini.ReadString(section, "Index", table.IndexName()));
    } else if (!grid->Columns().empty()) {
        table.SetIndexName(grid->Columns().front().fieldName);
    }
    if (grid->Table() == &table)
        grid->Refresh();
    // The bold title names the order of the rows, as a click on a title does.
    for (size_t i = 0; i < grid->Columns().size(); ++i)
        grid->SetTitleBold(int(i), TTable::SameText(grid->Columns()[i].fieldName, table.IndexName()));
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
    if (!(window->windowState() & SpecialStates)) {
        ini.WriteInteger(MainSection, "Top", window->pos().y());
        ini.WriteInteger(MainSection, "Left", window->pos().x());
    }
    ini.UpdateFile();
}

void LoadWindowState(const std::string& section, QWidget* window, TDBGrid* grid, TTable& table,
                     const std::string& iniFileName)
{
    Guarded(window, [&] { RestoreWindowState(section, window, grid, table, iniFileName); });
}

void SaveWindowState(const std::string& section, QWidget* window, TDBGrid* grid, const TTable& table,
                     const std::string& iniFileName, bool saveWindows)
{
    if (!saveWindows)
        return;
    TIniFile ini(iniFileName);
    if (!(window->windowState() & SpecialStates)) {
        const QRect frame = OuterGeometry(window);
        ini.WriteInteger(section, "Top", frame.top());
        ini.WriteInteger(section, "Left", frame.left());
        ini.WriteInteger(section, "Height", frame.height());
        ini.WriteInteger(section, "Width", frame.width());
    }
    ini.WriteBool(section, "Maximized", window->windowState() & Qt::WindowMaximized);
    ini.WriteString(section, "Index", table.IndexName());
    ini.WriteString(section, "Columns", Base64Encode(grid->SaveLayout()));
    ini.UpdateFile();
}

void DeleteWindowStates(const std::string& iniFileName)
{
    TIniFile ini(iniFileName);
    for (const char* section : {MainSection, "BadHostBrowse", "GoodHostBrowse"})
        ini.EraseSection(section);
    ini.UpdateFile();
}
