// What core code asks of the running application: a busy cursor, ending the program, the clock.
#pragma once

#include <ctime>
#include <functional>

namespace apphooks {

// Shows (true) or restores (false) the hourglass cursor; nothing when unset.
extern std::function<void(bool busy)> SetBusy;
// Asks the application to end once its event loop runs.
extern std::function<void()> Terminate;
// The current local time; tests fix it.
extern std::function<std::tm()> Now;

}   // namespace apphooks

// Shows the hourglass for its lifetime, restoring it also when an error passes through.
class TBusyCursor {
public:
    TBusyCursor()
    {
        if (apphooks::SetBusy)
            apphooks::SetBusy(true);
    }
    ~TBusyCursor()
    {
        if (apphooks::SetBusy)
            apphooks::SetBusy(false);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
