// Default application hooks: no cursor, no event loop, the system clock.
#include "core/AppHooks.h"

namespace apphooks {

std::function<void(bool)> SetBusy;
std::function<void()> Terminate;
std::function<std::tm()> Now = [] {
    std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
};

}   // namespace apphooks
