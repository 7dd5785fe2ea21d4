// The cost of TFolvex against the same calls made straight through the
// Reader control's dispatch interface, both against the Reader control
// double.  A program to run by hand, not a test: ctest never runs it.
//   folvex_bench [opens [commands]]        (20 and 1000 unless given)
// Opens a five-page sample `opens` times and sends `commands` late-bound
// commands (page moves, zoom, fit, layout and page modes) through a TFolvex,
// and the same through a TAcroPDF hosted alone with IDispatch::Invoke and
// dispatch identifiers looked up once, the two ways taking turns.  Close is
// reported apart: the component's waits for Reader's window by design.  The double's log is off while
// timing; a check pass with the log on first compares the calls that both
// ways make.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "folvex/runtime/Folvex.h"
#include "framework/base/sysutils.h"
#include "framework/ui/forms.h"
#include "tests/fixtures/readerdouble/readerdouble.h"
#include "tests/support/readerdouble.h"
#include "tests/support/staging.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// --- the direct ways: one hosted control, IDispatch::Invoke ---------------------

class Direct {
public:
    // How the calls go: IDispatch::Invoke with the identifiers looked up
    // once; Invoke after a look-up by name (GetIDsOfNames) at each call, as
    // late binding does; or the framework's late-bound OleVariant calls on
    // the control's automation object, as TFolvex makes them.
    enum Mode { kCached, kByName, kOleVariant };
    Direct(fw::TWinControl* parent, const std::string& doc, Mode mode)
        : parent_(parent), doc_(fw::AnsiToWide(doc)), mode_(mode) {}
    ~Direct() { Close(); }

    // The control in the parent's area, the document, the view settings that
    // TFolvex applies at each Open (its defaults), and Reader's window moved
    // out of sight.
    void Open() {
        control_ = new folvex::TAcroPDF(parent_);
        control_->SetBounds(0, 0, parent_->ClientWidth(), parent_->ClientHeight());
        control_->SetParent(parent_);
        disp_ = control_->DefaultDispatch();
        if (ids_.empty()) LookUp();
        Put("Src", Str(doc_));
        Call("SetLayoutMode", {Str(L"DontCare")});
        Call("SetPageMode", {Str(L"none")});
        Call("SetShowScrollBars", {Bool(true)});
        Call("SetShowToolbar", {Bool(true)});
        Call("SetViewScroll", {Str(L"Fit"), Int(0)});
        reader_ = FindWindowA("AcrobatSDIWindow", nullptr);
        if (reader_) MoveWindow(reader_, -100, -100, 0, 0, TRUE);
    }
    void Close() {
        if (!control_) return;
        if (reader_) PostMessageA(reader_, WM_CLOSE, 0, 0);
        reader_ = nullptr;
        disp_ = nullptr;
        control_->SetParent(nullptr);
        control_->Free();
        control_ = nullptr;
    }
    // Command i of the cycle that Component::Command sends as well.
    void Command(int i) {
        switch (i % 10) {
            case 0: Call("GoToNextPage", {}); break;
            case 1: Call("GoToPreviousPage", {}); break;
            case 2: Call("SetCurrentPage", {Int(3)}); break;
            case 3: Call("SetZoomScroll", {Int(75), Int(0), Int(0)}); break;
            case 4: Call("SetViewScroll", {Str(L"FitH"), Int(0)}); break;
            case 5: Call("SetLayoutMode", {Str(L"OneColumn")}); break;
            case 6: Call("SetPageMode", {Str(L"thumbs")}); break;
            case 7: Call("GoToFirstPage", {}); break;
            case 8: Call("GoToLastPage", {}); break;
            default: Call("SetZoomScroll", {Int(100), Int(10), Int(20)}); break;
        }
    }

private:
    struct Arg {
        VARIANT v;
    };
    static Arg Int(LONG n) { Arg a{}; a.v.vt = VT_I4; a.v.lVal = n; return a; }
    static Arg Bool(bool b) { Arg a{}; a.v.vt = VT_BOOL; a.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; return a; }
    // The string belongs to the caller's std::wstring, which outlives the call;
    // the control only reads it.
    static Arg Str(const std::wstring& s) {
        Arg a{};
        a.v.vt = VT_BSTR;
        a.v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return a;
    }

    void LookUp() {
        for (const char* name : {"Src", "SetLayoutMode", "SetPageMode", "SetShowScrollBars",
                                 "SetShowToolbar", "SetViewScroll", "GoToNextPage", "GoToPreviousPage",
                                 "SetCurrentPage", "SetZoomScroll", "GoToFirstPage", "GoToLastPage"})
            ids_.emplace_back(name, fw::GetDispId(disp_.get(), name));
    }
    DISPID id(const char* name) const {
        if (mode_ == kByName) return fw::GetDispId(disp_.get(), name);
        for (const auto& [n, d] : ids_)
            if (n == name) return d;
        return DISPID_UNKNOWN;
    }
    void Invoke(const char* name, WORD flags, std::vector<Arg> args, bool put) {
        if (mode_ == kOleVariant) {
            std::vector<fw::OleVariant> values;
            for (auto& a : args) {
                values.emplace_back(fw::Variant(a.v));
                VariantClear(&a.v);
            }
            fw::OleVariant pdf = control_->OleObject();
            if (put)
                pdf.Set(name, values.front());
            else
                pdf.Invoke(name, flags, values);
            return;
        }
        std::vector<VARIANTARG> reversed(args.size());
        for (size_t i = 0; i < args.size(); ++i) reversed[i] = args[args.size() - 1 - i].v;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS dp{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()),
                      put ? 1u : 0u};
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = disp_->Invoke(id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, put ? nullptr : &result,
                                   nullptr, nullptr);
        VariantClear(&result);
        for (auto& a : args) VariantClear(&a.v);
        if (FAILED(hr)) throw fw::Exception("Invoke failed: " + std::to_string(hr));
    }
    void Call(const char* name, std::vector<Arg> args) {
        Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), false);
    }
    void Put(const char* name, Arg value) { Invoke(name, DISPATCH_PROPERTYPUT, {value}, true); }

    fw::TWinControl* parent_;
    std::wstring doc_;
    Mode mode_;
    folvex::TAcroPDF* control_ = nullptr;
    fw::ComPtr<IDispatch> disp_;
    HWND reader_ = nullptr;
    std::vector<std::pair<std::string, DISPID>> ids_;
};

// --- the component ------------------------------------------------------------

void ComponentCommand(folvex::TFolvex& v, int i) {
    switch (i % 10) {
        case 0: v.GoToNextPage(); break;
        case 1: v.GoToPreviousPage(); break;
        case 2: v.GoToPage(3); break;
        case 3: v.Zoom(75, 0, 0); break;
        case 4: v.SetFitMode(folvex::vmFitHorz); break;
        case 5: v.SetLayoutMode(folvex::lmOneColumn); break;
        case 6: v.SetPageMode(folvex::pmThumbs); break;
        case 7: v.GoToFirstPage(); break;
        case 8: v.GoToLastPage(); break;
        default: v.Zoom(100, 10, 20); break;
    }
}

// Puts the component's view settings back to the defaults that Direct::Open
// applies, so that both ways send the same calls at each Open.
void ResetViewSettings(folvex::TFolvex& v) {
    v.SetFitMode(folvex::vmFit);
    v.SetLayoutMode(folvex::lmDontCare);
    v.SetPageMode(folvex::pmStandard);
}

// One way of making the calls.
struct Way {
    std::function<void()> open, close;
    std::function<void(int)> command;
};

struct Figures {
    double open = 0, close = 0, command = 0;  // medians, in milliseconds
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Times `opens` Open/Close pairs and `commands` commands (in batches of 10)
// of every way, taking turns, so that the load of a shared machine falls on
// all alike; the medians resist the moments when it falls on one.
std::vector<Figures> Measure(int opens, int commands, const std::vector<Way*>& ways) {
    const size_t n = ways.size();
    std::vector<std::vector<double>> open(n), close(n), command(n);
    for (int i = 0; i < opens; ++i) {
        for (size_t k = 0; k < n; ++k) {
            size_t side = (static_cast<size_t>(i) + k) % n;
            auto t0 = Clock::now();
            ways[side]->open();
            auto t1 = Clock::now();
            ways[side]->close();
            auto t2 = Clock::now();
            fw::Application.ProcessMessages();  // Reader's windows go
            open[side].push_back(Ms(t1 - t0));
            close[side].push_back(Ms(t2 - t1));
        }
    }
    for (Way* w : ways) w->open();
    const int batch = commands < 10 ? commands : 10;  // one cycle of the ten commands
    for (int done = 0; done < commands; done += batch) {
        for (size_t k = 0; k < n; ++k) {
            size_t side = (static_cast<size_t>(done / batch) + k) % n;
            auto t0 = Clock::now();
            for (int i = done; i < done + batch; ++i) ways[side]->command(i);
            command[side].push_back(Ms(Clock::now() - t0) / batch);
        }
    }
    for (Way* w : ways) w->close();
    fw::Application.ProcessMessages();
    std::vector<Figures> f;
    for (size_t side = 0; side < n; ++side)
        f.push_back(Figures{Median(open[side]), Median(close[side]), Median(command[side])});
    return f;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ts::FileExists(path) ? ts::ReadTextFile(path) : std::string();
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    int opens = argc > 1 ? std::atoi(argv[1]) : 20;
    int commands = argc > 2 ? std::atoi(argv[2]) : 1000;
    if (opens < 1 || commands < 1) {
        std::fprintf(stderr, "usage: folvex_bench [opens [commands]]\n");
        return 2;
    }
    fw::OleInit ole;
    fw::Application.Initialize();
    ts::ScratchDir scratch{"folvex_bench"};
    std::string doc = scratch / "Sample.pdf";
    std::string log = scratch / "calls.log";
    if (!ts::WriteSamplePdf(doc, 5)) return 1;
    ts::ReaderDouble reader("AcroPDF", "AcroPDF=11.0.23,Plugin=11.0.23", log);
    if (FAILED(reader.Result())) {
        std::fprintf(stderr, "folvex_bench: the Reader double did not register (0x%08lx)\n", reader.Result());
        return 1;
    }

    auto* form = new fw::TForm(nullptr);
    form->SetBounds(20, 20, 660, 520);
    auto* viewer = new folvex::TFolvex(form);
    viewer->SetAlign(fw::alClient);
    viewer->SetParent(form);
    auto* pane = new fw::TPanel(form);  // the direct control's parent, the same size
    pane->SetBevelOuter(fw::bvNone);
    pane->SetAlign(fw::alClient);
    pane->SetParent(form);
    form->Show();
    fw::Application.ProcessMessages();
    Direct direct(pane, doc, Direct::kCached);
    Direct named(pane, doc, Direct::kByName);
    Direct late(pane, doc, Direct::kOleVariant);
    viewer->SetAutoOpen(false);
    viewer->SetFileName(doc);

    int status = 0;
    try {
        // The check pass: one Open and one cycle of commands each way, logged.
        std::vector<std::string> logged[2];
        for (int way = 0; way < 2; ++way) {
            reader.ClearLog();
            if (way == 0) {
                viewer->Open();
                for (int i = 0; i < 10; ++i) ComponentCommand(*viewer, i);
                viewer->Close();
                ResetViewSettings(*viewer);
            } else {
                direct.Open();
                for (int i = 0; i < 10; ++i) direct.Command(i);
                direct.Close();
            }
            fw::Application.ProcessMessages();
            logged[way] = Lines(log);
        }
        // TFolvex asks the control for its versions once (GetVersions, kept
        // for the component's life); every other call should be the same.
        std::printf("check pass: %zu calls logged through TFolvex, %zu straight\n", logged[0].size(),
                    logged[1].size());
        logged[0].erase(std::remove(logged[0].begin(), logged[0].end(), "GetVersions"), logged[0].end());
        for (size_t i = 0; i < logged[0].size() || i < logged[1].size(); ++i) {
            std::string a = i < logged[0].size() ? logged[0][i] : "", b = i < logged[1].size() ? logged[1][i] : "";
            if (a != b) {
                std::printf("  differ at %zu: \"%s\" | \"%s\"\n", i + 1, a.c_str(), b.c_str());
                status = 1;
            }
        }
        if (status == 0) std::printf("  the same %zu calls, in the same order, both ways\n", logged[1].size());

        ts::SetRegString(HKEY_CURRENT_USER, rdbl::kSettingsKey, "Log", "");  // off while timing
        Way component{[&] { viewer->Open(); },
                      [&] {
                          viewer->Close();
                          ResetViewSettings(*viewer);
                      },
                      [&](int i) { ComponentCommand(*viewer, i); }};
        Way straightWay{[&] { direct.Open(); }, [&] { direct.Close(); },
                        [&](int i) { direct.Command(i); }};
        Way namedWay{[&] { named.Open(); }, [&] { named.Close(); }, [&](int i) { named.Command(i); }};
        Way lateWay{[&] { late.Open(); }, [&] { late.Close(); }, [&](int i) { late.Command(i); }};
        auto f = Measure(opens, commands, {&component, &straightWay, &namedWay, &lateWay});
        const Figures& comp = f[0];
        const Figures& straight = f[1];
        const Figures& byName = f[2];
        const Figures& oleVariant = f[3];
        std::printf("%d opens, %d commands each way against the Reader double (AcroPDF 11), medians\n",
                    opens, commands);
        std::printf("%-22s %12s %12s %14s\n", "", "Open (ms)", "Close (ms)", "command (ms)");
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "TFolvex", comp.open, comp.close, comp.command);
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "OleVariant calls", oleVariant.open, oleVariant.close,
                    oleVariant.command);
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "Invoke, names each call", byName.open, byName.close,
                    byName.command);
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "Invoke, cached DISPIDs", straight.open, straight.close,
                    straight.command);
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "added by TFolvex", comp.open - straight.open,
                    comp.close - straight.close, comp.command - straight.command);
        std::printf("%-22s %12.3f %12.3f %14.4f\n", "(over OleVariant calls)", comp.open - oleVariant.open,
                    comp.close - oleVariant.close, comp.command - oleVariant.command);
        std::printf("aim: under 5 ms per Open and 0.05 ms per command: %s, %s\n",
                    comp.open - straight.open < 5 ? "met" : "missed",
                    comp.command - straight.command < 0.05 ? "met" : "missed");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "folvex_bench: %s\n", e.what());
        status = 1;
    }
    form->Free();
    fw::Application.ProcessMessages();
    return status;
}
