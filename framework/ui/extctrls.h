// TTimer: a component that runs OnTimer every Interval milliseconds while
// Enabled and OnTimer is set (while designing too).  A handler may free its own timer.
// A timer runs on the thread that enabled it (each thread has its own timer
// window), through that thread's message loop.
#pragma once

#include "framework/base/classes.h"

namespace fw {

class TTimer : public TComponent {
    FW_CLASS(TTimer)
public:
    explicit TTimer(TComponent* owner) : TComponent(owner) {}
    ~TTimer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);

    TNotifyEvent OnTimer;
    // Sets the handler and (re)starts the timer.
    void SetOnTimer(std::function<void(TObject*)> f);

    void Loaded() override;

protected:
    virtual void Timer() { OnTimer(this); }

private:
    void UpdateTimer();
    static LRESULT CALLBACK TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    unsigned interval_ = 1000;
    bool enabled_ = true;
    UINT_PTR id_ = 0;
    HWND wnd_ = nullptr;  // the timer window of the thread that started it
};

}  // namespace fw
