// The viewer demo's helper: a sample document and a person's part in
// FolvexView.exe's window.
//   viewer_demo sample <file> <pages>  writes a sample PDF with that many pages
//   viewer_demo start <file>           starts the viewer on it and waits for it
//   viewer_demo shot <file> <signal>   starts the viewer on it, presses "Next"
//                                      once the document shows, waits until the
//                                      page field reads 2, creates <signal>,
//                                      waits for <signal>.done (or 6 s) and
//                                      closes the window
// The Reader control double must be registered first (rundll32
// ReaderDouble.dll,InstallDouble ...).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/readerdouble.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace {

std::string Viewer() {
    std::string relative = ts::SelfFolder() + "..\\..\\folvex\\viewer\\FolvexView.exe";
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? std::string(full, n) : relative;
}

// A control of the viewer's window by its class and its text ('&' kept).
HWND Find(HWND window, const char* cls, const std::string& text) {
    for (const auto& c : ts::Children(window))
        if (c.cls == cls && c.text == text) return c.hwnd;
    return nullptr;
}

// The page field: the "Edit" beside the "Go" button.
HWND PageField(HWND window) {
    HWND go = Find(window, "Button", "&Go");
    for (HWND w = go ? GetWindow(go, GW_HWNDPREV) : nullptr; w; w = GetWindow(w, GW_HWNDPREV))
        if (ts::ClassName(w) == "Edit") return w;
    return nullptr;
}

// Presses a button as a click does: the button's notification to its parent.
bool Press(HWND window, const std::string& caption) {
    HWND b = Find(window, "Button", caption);
    return b && PostMessageA(GetParent(b), WM_COMMAND,
                             MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), reinterpret_cast<LPARAM>(b));
}

std::string Caption(const std::string& file) {
    size_t cut = file.find_last_of('\\');
    return (cut == std::string::npos ? file : file.substr(cut + 1)) + " - Folvex Viewer";
}

int Shot(const std::string& file, const std::string& signal) {
    ts::ChildProcess viewer(ts::Quote(Viewer()) + " " + ts::Quote(file));
    HWND w = ts::WaitForWindow(viewer.Pid(), "TViewerForm", Caption(file).c_str(), 30000);
    if (!w) {
        std::fprintf(stderr, "viewer_demo: the viewer did not show %s\n", file.c_str());
        return 1;
    }
    HWND page = PageField(w);
    bool onTwo = page && ts::WaitUntil([&] { return ts::WindowText(page) == "1"; }) &&
                 Press(w, "&Next") && ts::WaitUntil([&] { return ts::WindowText(page) == "2"; });
    if (!onTwo) std::fprintf(stderr, "viewer_demo: the page field does not read 2\n");
    Sleep(300);  // the page painted
    ts::WriteTextFile(signal, "up");
    for (int i = 0; i < 300 && !ts::FileExists(signal + ".done"); ++i) Sleep(20);
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (viewer.Wait(15000) == STILL_ACTIVE) {
        std::fprintf(stderr, "viewer_demo: the viewer did not end\n");
        return 1;
    }
    std::printf("The viewer showed page %s of %s.\n", onTwo ? "2" : "?", file.c_str());
    return onTwo ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "sample" && argc == 4) {
        std::string dir = argv[2];
        dir = dir.substr(0, dir.find_last_of('\\'));
        CreateDirectoryA(dir.c_str(), nullptr);
        return ts::WriteSamplePdf(argv[2], std::atoi(argv[3])) ? 0 : 1;
    }
    if (cmd == "start" && argc == 3) {
        ts::ChildProcess viewer(ts::Quote(Viewer()) + " " + ts::Quote(argv[2]));
        viewer.Wait(INFINITE);
        return 0;
    }
    if (cmd == "shot" && argc == 4) return Shot(argv[2], argv[3]);
    std::fprintf(stderr, "usage: viewer_demo sample <file> <pages> | start <file> | shot <file> <signal>\n");
    return 2;
}
