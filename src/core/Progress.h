// How a long operation talks to whatever shows it: status text, counters, pending events, cancel.
#pragma once

#include <string>

class IProgress {
public:
    virtual ~IProgress() = default;
    // The status line; shown at once.
    virtual void ShowStatus(const std::string& text) = 0;
    // The status line, shown with the next ordinary repaint.
    virtual void SetStatusText(const std::string& text) { ShowStatus(text); }
    // The operation's counters changed (the import shows several).
    virtual void UpdateCounters() {}
    // Lets pending window events run; where a Cancel click is seen.
    virtual void ProcessMessages() = 0;
    virtual bool CancelRequested() const = 0;
};

// For runs nobody watches: no status, no events, never cancelled.
class TSilentProgress : public IProgress {
public:
    void ShowStatus(const std::string&) override {}
    void ProcessMessages() override {}
    bool CancelRequested() const override { return false; }
};
