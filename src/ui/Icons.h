// The program's pictures: the main window's numbered image list and the program icon.
#pragma once

#include <QIcon>

// Image list of the main window, numbered as its actions use them:
// 0 Groups, 1 Bad Hosts, 2 Good Hosts, 3 View HOSTS, 4 Write HOSTS,
// 5 Preferences, 6 HOSTS present (Disable), 7 HOSTS disabled (Enable),
// 8 HOSTS absent, 9 Export, 10 Import, 11 Registry File.
inline constexpr int ImageCount = 12;
QIcon ImageListIcon(int index);

// The program's own icon (window icon, about window).
QIcon AppIcon();
