#include "framework/extctrls.h"

#include <windows.h>

#include <unordered_map>

#include "framework/application.h"

namespace fw {

namespace {
// Running timers by id; never freed (timers may go during static destruction).
std::unordered_map<UINT_PTR, TTimer*>& Timers() {
    static auto* m = new std::unordered_map<UINT_PTR, TTimer*>;
    return *m;
}
UINT_PTR nextId = 1;
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

// The window that receives every timer's WM_TIMER.
LRESULT CALLBACK TTimer::TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
    auto it = Timers().find(static_cast<UINT_PTR>(wp));
    if (it != Timers().end()) {
        TTimer* t = it->second;
        // The handler may free the timer: nothing of it is touched after.
        Application.Guard([t] { t->Timer(); });
    }
    return 0;
}

namespace {
HWND TimerWindow(WNDPROC proc) {
    static HWND w = nullptr;
    if (!w) {
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
        KillTimer(TimerWindow(TimerWndProc), id_);
        Timers().erase(id_);
        id_ = 0;
    }
    // Timers run while designing too (a component's design-time check).
    if (!enabled_ || interval_ == 0 || !OnTimer || HasState(csLoading | csDestroying)) return;
    UINT_PTR id = nextId++;
    if (!SetTimer(TimerWindow(TimerWndProc), id, interval_, nullptr)) throw EOSError(GetLastError(), "SetTimer");
    id_ = id;
    Timers()[id] = this;
}

}  // namespace fw
