// Window frames: what the window system adds around a window, known or estimated, and placing windows by it.
#include "ui/WindowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace {

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

// A window of fixed size often gets a frame without resize borders, so the
// two kinds keep their frames apart.
int KindOf(const QWidget* window)
{
    const bool fixed = window->minimumSize() == window->maximumSize() ||
                       window->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
    return fixed ? 1 : 0;
}

std::optional<QMargins> seenFrames[2];

// Windows that the window system frames, which pop-ups and tool tips are not.
bool Decorated(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Window || type == Qt::Dialog) &&
           !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The window system's frame of window, once it has one to tell: X11 learns
// the frame only when the window manager has taken the window on, and until
// then reports none.
bool SystemFrame(const QWidget* window, QMargins* margins)
{
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return false;
    const QMargins frame = handle->frameMargins();
    if (frame.isNull() && !handle->isExposed())
        return false;
    *margins = frame;
    if (Decorated(window))
        seenFrames[KindOf(window)] = frame;
    return true;
}

constexpr Qt::WindowStates SpecialStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Runs its action once, when the window is first exposed (framed) after
// being placed; gone when the window hides or is placed anew. It watches the
// window's handle: one created already, or the one that showing creates.
class TFrameWatch : public QObject {
public:
    TFrameWatch(QWidget* window, std::function<void()> act)
        : QObject(window), window(window), act(std::move(act))
    {
        setObjectName(Name);
        if (QWindow* handle = window->windowHandle())
            handle->installEventFilter(this);
        else
            window->installEventFilter(this);
    }

    static constexpr const char* Name = "FrameWatch";

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window) {
            if (event->type() == QEvent::Show && window->windowHandle()) {
                window->removeEventFilter(this);
                window->windowHandle()->installEventFilter(this);
            }
            return false;
        }
        if (event->type() == QEvent::Hide) {
            deleteLater();
        } else if (event->type() == QEvent::Expose && window->windowHandle()->isExposed() && act) {
            deleteLater();
            std::exchange(act, nullptr)();
        }
        return false;
    }

private:
    QWidget* window;
    std::function<void()> act;
};

}   // namespace

QPoint FitOnScreen(const QRect& frame, const QList<QRect>& screens)
{
    const QRect* screen = ChooseScreen(frame, screens);
    if (!screen)
        return frame.topLeft();
    return {FitAxis(frame.left(), frame.width(), screen->left(), screen->width()),
            FitAxis(frame.top(), frame.height(), screen->top(), screen->height())};
}

QPoint CentreOver(const QRect& owner, const QSize& frame, const QRect& screen)
{
    const int left = std::max(owner.left() + owner.width() / 2 - frame.width() / 2, 0);
    const int top = std::max(owner.top() + owner.height() / 2 - frame.height() / 2, 0);
    return {FitAxis(left, frame.width(), screen.left(), screen.width()),
            FitAxis(top, frame.height(), screen.top(), screen.height())};
}

QRect CentredGeometry(const QRect& owner, const QSize& client, const QMargins& margins, const QRect& screen)
{
    const QSize outer = client.grownBy(margins);
    return QRect(CentreOver(owner, outer, screen), outer).marginsRemoved(margins);
}

QRect FittedGeometry(const QRect& frame, const QMargins& margins, const QList<QRect>& screens)
{
    return QRect(FitOnScreen(frame, screens), frame.size()).marginsRemoved(margins);
}

QList<QRect> ScreenGeometries()
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->geometry();
    return screens;
}

QMargins FrameMargins(const QWidget* window)
{
    QMargins margins;
    if (SystemFrame(window, &margins))
        return margins;
    // The windows on screen tell the frames of this window system.
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && Decorated(other))
            SystemFrame(other, &margins);
    const int kind = KindOf(window);
    if (seenFrames[kind])
        return *seenFrames[kind];
    if (seenFrames[1 - kind])
        return *seenFrames[1 - kind];
    return {};
}

QRect OuterGeometry(const QWidget* window) { return window->geometry().marginsAdded(FrameMargins(window)); }

void PlaceByFrame(QWidget* window, std::function<QRect(const QMargins&)> geometryFor)
{
    delete window->findChild<TFrameWatch*>(TFrameWatch::Name, Qt::FindDirectChildrenOnly);
    QMargins margins;
    const bool framed = SystemFrame(window, &margins);
    if (!framed)
        margins = FrameMargins(window);
    const QRect geometry = geometryFor(margins);
    if (!framed && margins.isNull() && !window->windowHandle()) {
        // No frame seen yet (the program's first window): Qt can still put
        // the frame's corner on the spot, when it moves a window not yet
        // created, and the window system frames it there.
        window->resize(geometry.size());
        window->move(geometry.topLeft());
    } else {
        window->setGeometry(geometry);
    }
    if (framed)
        return;
    new TFrameWatch(window, [window, margins, geometryFor] {
        QMargins real;
        if (!SystemFrame(window, &real) || real == margins || (window->windowState() & SpecialStates))
            return;
        window->setGeometry(geometryFor(real));
    });
}

void PlaceCentred(QWidget* window, const QWidget* owner)
{
    const QPointer<const QWidget> around(owner);
    PlaceByFrame(window, [window, around](const QMargins& margins) {
        QScreen* screen = nullptr;
        QRect ownerFrame;
        if (around) {
            ownerFrame = OuterGeometry(around);
            // The monitor that shows the owner's centre shows the window's.
            screen = QGuiApplication::screenAt(ownerFrame.center());
            if (!screen)
                screen = around->screen();
        } else {
            screen = QGuiApplication::primaryScreen();
            if (screen)
                ownerFrame = screen->geometry();
        }
        if (!screen)
            return window->geometry();
        return CentredGeometry(ownerFrame, window->size(), margins, screen->availableGeometry());
    });
}

QWidget* MainWindowOf(QWidget* widget)
{
    QWidget* window = widget->window();
    while (QWidget* owner = window->parentWidget())
        window = owner->window();
    return window;
}

namespace {

// Places the dialog as it is shown, before QDialog would centre it over its
// own parent (which, for a dialog opened from a browser, is the browser).
class TCentreOnShow : public QObject {
public:
    explicit TCentreOnShow(QWidget* dialog) : QObject(dialog), dialog(dialog) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Show || event->spontaneous())
            return false;
        if (dialog->testAttribute(Qt::WA_Moved) && !placed)
            return false;
        QWidget* main = MainWindowOf(dialog);
        PlaceCentred(dialog, main == dialog ? nullptr : main);
        placed = true;
        return false;
    }

private:
    QWidget* dialog;
    bool placed = false;   // the position is this object's own, not one given from outside
};

}   // namespace

void CentreOverMainWindow(QWidget* dialog) { dialog->installEventFilter(new TCentreOnShow(dialog)); }
