// Times the uninstaller's start-up on a large installation: from the start
// of the process until its main window is visible, against the least
// listing walk of the same tree (one FindFirstFileExA search per folder,
// basic level, large fetch, in this process) and against the bare start and
// end of the program (a refused switch: nothing read).
//
//   startup_bench.exe [runs] [uninstall.exe] [other uninstall.exe]
//
// runs: 5; uninstall.exe: the built one.  With a second uninstaller (an
// earlier build, say), its window is timed in the same rounds, so that the
// two compare round by round.
//
// The tree: 20,000 files in 2,000 folders below C:\orvbench_startup\Lumadesk,
// four or five levels deep, ten files per folder, half of them help files,
// every 7th hidden; all carry the installation's stamp but every 50th, which
// is the user's.  The uninstall entry "Orvanta Bench Startup" names it.
// Each timing is taken after one untimed round, so the file system's caches
// are warm for every method alike.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/product.h"
#include "uninstall/driver/startup.h"
#include "tests/bench/leastwalk.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/paths.h"

using bench::LeastList;
using bench::PairedMedian;
using bench::Seconds;
using bench::Timing;

namespace {

const char kRoot[] = "C:\\orvbench_startup";
const char kEntry[] = "Orvanta Bench Startup";
const char kEmptyEntry[] = "Orvanta Bench Startup Empty";
constexpr int kFiles = 20000, kFolders = 2000;

FILETIME Utc(const SYSTEMTIME& local) {
    FILETIME l{}, u{};
    SystemTimeToFileTime(&local, &l);
    LocalFileTimeToFileTime(&l, &u);
    return u;
}

void Build(const std::string& root) {
    const FILETIME installed = Utc(ts::InstallStamp()), later = Utc(ts::LaterStamp());
    std::vector<std::string> dirs(kFolders + 1);
    dirs[0] = root;
    ts::MakeDirs(root);
    char name[32];
    for (int k = 1; k <= kFolders; ++k) {
        std::snprintf(name, sizeof name, "\\d%04d", k);
        dirs[k] = dirs[(k - 1) / 10] + name;
        CreateDirectoryA(dirs[k].c_str(), nullptr);
    }
    const int per = kFiles / kFolders;
    int n = 0;
    for (int k = 1; k <= kFolders; ++k) {
        for (int i = 0; i < per; ++i, ++n) {
            std::snprintf(name, sizeof name, "\\file%03d.%s", i, i % 2 ? "txt" : "chm");
            HANDLE h = CreateFileA((dirs[k] + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   n % 7 == 3 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_ARCHIVE, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            DWORD done;
            WriteFile(h, "Lumadesk page.\r\n", 16, &done, nullptr);
            const FILETIME& stamp = n % 50 == 49 ? later : installed;
            SetFileTime(h, nullptr, nullptr, &stamp);
            CloseHandle(h);
        }
    }
}

struct Seen {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM param) {
    auto* seen = reinterpret_cast<Seen*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != seen->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "TMainForm") return TRUE;
    seen->found = true;
    return FALSE;
}

// From CreateProcess until the main window is visible (then the program is
// ended: nothing is removed); a negative time when no window appeared.
double WindowAppears(const std::string& exe, const std::string& entry = kEntry) {
    std::string line = ts::Quote(exe) + " " + ts::Quote(entry);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    Seen seen{pi.dwProcessId, false};
    double elapsed = -1;
    for (;;) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&seen));
        QueryPerformanceCounter(&b);
        const double t = static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
        if (seen.found) {
            elapsed = t;
            break;
        }
        if (t > 120 || WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return elapsed;
}

// The program's start and end without reading anything: a refused switch.
double BareStart(const std::string& exe) {
    return Seconds([&] {
        ts::ChildProcess p(ts::Quote(exe) + " " + ts::Quote(kEntry) + " /quiet /bench");
        p.Wait(20000);  // an older uninstaller shows its window instead, and is ended
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::string exe = argc > 2 ? argv[2] : ts::BuiltUninstaller();
    const std::string other = argc > 3 ? argv[3] : "";
    if (runs < 1 || !ts::FileExists(exe) || (!other.empty() && !ts::FileExists(other))) {
        std::fprintf(stderr, "usage: startup_bench [runs] [uninstall.exe] [other uninstall.exe]\n");
        return 2;
    }
    const std::string product = std::string(kRoot) + "\\Lumadesk";
    ts::WipeTree(kRoot);
    const double built = Seconds([&] { Build(product); });
    std::printf("tree: %d files in %d folders below %s, built in %.1f s\n", kFiles, kFolders, product.c_str(), built);
    ts::StageUninstallEntry(kEntry, {{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    // The same window on an installation of one help file: the start-up
    // without the walk.
    const std::string small = std::string(kRoot) + "\\Small";
    ts::WriteStampedFile(small + "\\Guide.chm", ts::InstallStamp());
    ts::StageUninstallEntry(kEmptyEntry, {{"Path", small}, {"DisplayName", "Orvanta Lumadesk"}});
    std::printf("uninstaller: %s\n", exe.c_str());
    if (!other.empty()) std::printf("other uninstaller: %s\n", other.c_str());
    std::fflush(stdout);

    Timing least{"least listing walk", {}};
    Timing window{"window visible", {}};
    Timing bare{"bare start and end", {}};
    Timing stamped{"ListFilesStamped", {}};
    Timing smallWindow{"window, one-file product", {}};
    Timing sorted{"FindUserFiles", {}};
    Timing otherWindow{"other build's window", {}};
    std::size_t listed = 0;
    for (int r = -1; r < runs; ++r) {
        std::vector<std::string> files;
        const double l = Seconds([&] { LeastList(product, files); });
        const double w = WindowAppears(exe);
        const double s = BareStart(exe);
        const double sw = WindowAppears(exe, kEmptyEntry);
        std::vector<kx::TFoundFile> found;
        const std::wstring root = kx::CanonicalFolder(kx::WidePath(product));
        const double st = Seconds([&] { kx::ListFilesStamped(root, found, true); });
        uninst::TUninstallJob job;
        job.ProductPath = product;
        job.ProductRoot = root;
        const double fu = Seconds([&] { uninst::FindUserFiles(job); });
        const double ow = other.empty() ? 0 : WindowAppears(other);
        listed = files.size();
        if (r < 0) continue;  // the warming round
        least.runs.push_back(l);
        window.runs.push_back(w);
        bare.runs.push_back(s);
        stamped.runs.push_back(st);
        smallWindow.runs.push_back(sw);
        sorted.runs.push_back(fu);
        otherWindow.runs.push_back(ow);
        std::printf("round %d: least walk %.3f s, ListFilesStamped %.3f s, FindUserFiles %.3f s (%zu user files), "
                    "window %.3f s, one-file window %.3f s, bare start %.3f s\n",
                    r + 1, l, st, fu, job.UserFiles.size(), w, sw, s);
        if (!other.empty()) std::printf("         other build's window %.3f s\n", ow);
        std::fflush(stdout);
    }
    std::printf("\nfiles the least walk listed: %zu\n", listed);
    std::printf("%-24s %10s %10s %18s\n", "(seconds)", "best", "median", "paired / least");
    std::vector<const Timing*> rows{&least, &stamped, &sorted, &window, &smallWindow, &bare};
    if (!other.empty()) rows.push_back(&otherWindow);
    for (const Timing* t : rows)
        std::printf("%-24s %10.3f %10.3f %17.2fx\n", t->name, t->Min(), t->Median(), PairedMedian(*t, least));
    if (!other.empty())
        std::printf("window / other build's window, paired median: %.2fx\n", PairedMedian(window, otherWindow));

    ts::RemoveUninstallEntry(kEntry);
    ts::RemoveUninstallEntry(kEmptyEntry);
    ts::WipeTree(kRoot);
    return 0;
}
