#include "framework/ui/extctrls.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "framework/ui/application.h"

namespace fw {

namespace {
// Running timers by id, for every thread; never freed (timers may go during
// static destruction).
std::unordered_map<UINT_PTR, TTimer*>& Timers() {
    static auto* m = new std::unordered_map<UINT_PTR, TTimer*>;
    return *m;
}
std::mutex& TimersLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::atomic<UINT_PTR> nextId{1};

TTimer* FindTimer(UINT_PTR id) {
    std::lock_guard<std::mutex> lock(TimersLock());
    auto it = Timers().find(id);
    return it == Timers().end() ? nullptr : it->second;
}
}  // namespace

FW_IMPLEMENT_CLASS(TTimer, TComponent, [](TClassBuilder<TTimer>& b) {
    b.Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true);
    b.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000);
    TPropInfo& p = b.Event("OnTimer", &TTimer::OnTimer);
    // Binding the handler from a resource must start the timer too.
    auto set = p.SetMethod;
    p.SetMethod = [set](TComponent* c, const TMethod& m) {
        set(c, m);
        static_cast<TTimer*>(c)->SetEnabled(static_cast<TTimer*>(c)->Enabled());
    };
})

namespace {
const TClassRegistration kRegistered{&TTimer::StaticClass};
}  // namespace

// The window that receives every timer's WM_TIMER.
LRESULT CALLBACK TTimer::TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
    if (TTimer* t = FindTimer(static_cast<UINT_PTR>(wp))) {
        // The handler may free the timer: nothing of it is touched after.
        Application.Guard([t] { t->Timer(); });
    }
    return 0;
}

namespace {
// Each thread's timers go to a window of that thread: WM_TIMER is delivered
// to the thread that owns the window, and only that thread's message loop
// runs the timers it started.
HWND TimerWindow(WNDPROC proc) {
    thread_local HWND w = nullptr;
    if (!w || !IsWindow(w)) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TTimerWindow";
        RegisterClassA(&wc);
        w = CreateWindowExA(0, "TTimerWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
        if (!w) throw EOSError(GetLastError(), "CreateWindowEx TTimerWindow");
    }
    return w;
}
}  // namespace

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    UpdateTimer();
}

void TTimer::SetEnabled(bool e) {
    enabled_ = e;
    UpdateTimer();
}

void TTimer::SetOnTimer(std::function<void(TObject*)> f) {
    OnTimer = TNotifyEvent(std::move(f));
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (id_) {
        KillTimer(wnd_, id_);
        std::lock_guard<std::mutex> lock(TimersLock());
        Timers().erase(id_);
        id_ = 0;
        wnd_ = nullptr;
    }
    // Timers run while designing too (a component's design-time check).
    if (!enabled_ || interval_ == 0 || !OnTimer || HasState(csLoading | csDestroying)) return;
    HWND wnd = TimerWindow(TimerWndProc);
    UINT_PTR id = nextId++;
    if (!SetTimer(wnd, id, interval_, nullptr)) throw EOSError(GetLastError(), "SetTimer");
    id_ = id;
    wnd_ = wnd;
    std::lock_guard<std::mutex> lock(TimersLock());
    Timers()[id] = this;
}

}  // namespace fw
