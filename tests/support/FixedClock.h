// Fixes the program's clock for the lifetime of the object.
#pragma once

#include <ctime>
#include <functional>

class TFixedClock {
public:
    TFixedClock(int year, int month, int day, int hour, int minute, int second);
    ~TFixedClock();

private:
    std::function<std::tm()> previous;
};
