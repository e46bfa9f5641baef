// The program's pictures, read once from the compiled-in resources.
#include "ui/Icons.h"

#include <QString>

#include <array>

namespace {

// In the order of the image list's numbers.
constexpr std::array<const char*, ImageCount> ImageFiles = {
    "00-groups",      "01-badhosts",    "02-goodhosts",    "03-viewhosts",
    "04-writehosts",  "05-preferences", "06-hostspresent", "07-hostsdisabled",
    "08-hostsabsent", "09-export",      "10-import",       "11-registryfile",
};

QIcon FromResource(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

}   // namespace

// The resources sit in a static library: without this reference the linker
// would drop them from programs that use only this file. The macro must be
// used outside any namespace.
static void InitIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(Quillon);
        return true;
    }();
    (void)done;
}

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= ImageCount)
        return {};
    static const std::array<QIcon, ImageCount> icons = [] {
        InitIconResources();
        std::array<QIcon, ImageCount> loaded;
        for (int i = 0; i < ImageCount; ++i)
            loaded[i] = FromResource(ImageFiles[i]);
        return loaded;
    }();
    return icons[index];
}

QIcon AppIcon()
{
    static const QIcon icon = [] {
        InitIconResources();
        return FromResource("quillon");
    }();
    return icon;
}
