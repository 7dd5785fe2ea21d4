// Times ListFiles (recursive), CountFiles and RemoveTree on a product-like
// tree against cmd's "dir /s /b /a-d" and "rd /s /q" and against the least a
// Win32 walk can do: one FindFirstFileExA search per folder (basic level,
// large fetch), one DeleteFileA per file, one RemoveDirectoryA per folder.
//
//   files_bench.exe [files] [folders] [runs]      (20000 2000 3)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/bench/leastwalk.h"
#include "uninstall/kxlib/files.h"

using bench::FindFirst;
using bench::IsDots;
using bench::LeastList;
using bench::PairedMedian;
using bench::Seconds;
using bench::Timing;

namespace {

const char kRoot[] = "C:\\orvbench";

// Folder k (1..folders) lies in folder (k-1)/10, folder 0 being the tree's
// root: a tree four or five levels deep.  Each folder but the root holds
// files/folders files, half of them .chm; every 7th is hidden, the last one
// of every 10th folder read-only.
struct Shape {
    int files, folders;
};

void Build(const std::string& root, const Shape& shape) {
    std::vector<std::string> dirs(shape.folders + 1);
    dirs[0] = root;
    CreateDirectoryA(root.c_str(), nullptr);
    char name[32];
    for (int k = 1; k <= shape.folders; ++k) {
        std::snprintf(name, sizeof name, "\\d%04d", k);
        dirs[k] = dirs[(k - 1) / 10] + name;
        CreateDirectoryA(dirs[k].c_str(), nullptr);
    }
    const int per = shape.files / shape.folders;
    int n = 0;
    for (int k = 1; k <= shape.folders; ++k) {
        for (int i = 0; i < per; ++i, ++n) {
            DWORD attr = FILE_ATTRIBUTE_ARCHIVE;
            if (n % 7 == 3) attr |= FILE_ATTRIBUTE_HIDDEN;
            // A read-only file is its folder's last entry, so that every
            // method deletes the same files.
            if (i == per - 1 && k % 10 == 5) attr |= FILE_ATTRIBUTE_READONLY;
            std::snprintf(name, sizeof name, "\\%s%03d.%s", attr & FILE_ATTRIBUTE_READONLY ? "zz" : "file", i,
                          i % 2 ? "txt" : "chm");
            HANDLE h = CreateFileA((dirs[k] + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   attr, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            DWORD done;
            WriteFile(h, "Lumadesk page.\r\n", 16, &done, nullptr);
            CloseHandle(h);
        }
    }
}

// The least delete walk; read-only files stay, and so do their folders.
void LeastDelete(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirst(folder + "\\*", fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(fd.cFileName)) continue;
            const std::string path = folder + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                LeastDelete(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

// Clears read-only attributes and deletes whatever is left (not timed).
void Wipe(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirst(folder + "\\*", fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(fd.cFileName)) continue;
            const std::string path = folder + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                Wipe(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

int Cmd(const std::string& args) {
    std::string line = "cmd.exe /c " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

void Report(const char* title, const std::vector<Timing>& rows, std::size_t reference) {
    std::printf("\n%s (seconds per run; best and median run, and the median of the rounds' ratios to \"%s\")\n",
                title, rows[reference].name);
    for (const auto& t : rows) {
        std::printf("  %-30s", t.name);
        for (double s : t.runs) std::printf(" %7.3f", s);
        std::printf("   best %7.3f   median %7.3f   paired x%5.2f\n", t.Min(), t.Median(),
                    PairedMedian(t, rows[reference]));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Shape shape{argc > 1 ? std::atoi(argv[1]) : 20000, argc > 2 ? std::atoi(argv[2]) : 2000};
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    if (shape.folders < 1 || shape.files < shape.folders || runs < 1) {
        std::fprintf(stderr, "usage: files_bench [files] [folders] [runs]\n");
        return 2;
    }
    CreateDirectoryA(kRoot, nullptr);
    const std::string tree = std::string(kRoot) + "\\tree";
    Wipe(tree);
    std::printf("tree: %d files in %d folders below %s\n", shape.files, shape.folders, tree.c_str());
    std::fflush(stdout);
    const double built = Seconds([&] { Build(tree, shape); });
    std::printf("built in %.1f s\n", built);

    // Listings on one tree; each method in turn, several rounds.
    Timing leastList{"least walk: list all files", {}};
    Timing listAll{"ListFiles *.* recursive", {}};
    Timing listChm{"ListFiles *.chm recursive", {}};
    Timing count{"CountFiles", {}};
    Timing dir{"cmd /c dir /s /b /a-d", {}};
    std::size_t seenLeast = 0, seenAll = 0, seenChm = 0;
    int counted = 0;
    for (int r = 0; r < runs; ++r) {
        std::vector<std::string> a, b, c;
        leastList.runs.push_back(Seconds([&] { LeastList(tree, a); }));
        listAll.runs.push_back(Seconds([&] { kx::ListFiles(tree, "*.*", true, b); }));
        listChm.runs.push_back(Seconds([&] { kx::ListFiles(tree, "*.chm", true, c); }));
        count.runs.push_back(Seconds([&] { counted = kx::CountFiles(tree); }));
        dir.runs.push_back(Seconds([&] { Cmd("dir /s /b /a-d \"" + tree + "\" > NUL"); }));
        seenLeast = a.size();
        seenAll = b.size();
        seenChm = c.size();
        std::printf("listing round %d done\n", r + 1);
        std::fflush(stdout);
    }
    std::printf("files seen: least walk %zu, ListFiles *.* %zu (hidden left out), *.chm %zu, "
                "CountFiles %d\n",
                seenLeast, seenAll, seenChm, counted);
    Report("Listing", {leastList, listAll, listChm, count, dir}, 0);
    Wipe(tree);

    // Deletions, each on a freshly built identical tree.
    Timing leastDel{"least walk: delete", {}};
    Timing remove{"RemoveTree", {}};
    Timing rd{"cmd /c rd /s /q", {}};
    for (int r = 0; r < runs; ++r) {
        Build(tree, shape);
        leastDel.runs.push_back(Seconds([&] { LeastDelete(tree); }));
        const int leftLeast = kx::CountFiles(tree);
        Wipe(tree);
        Build(tree, shape);
        remove.runs.push_back(Seconds([&] { kx::RemoveTree(tree); }));
        const int leftRemove = kx::CountFiles(tree);
        Wipe(tree);
        Build(tree, shape);
        rd.runs.push_back(Seconds([&] { Cmd("rd /s /q \"" + tree + "\""); }));
        const int leftRd = kx::CountFiles(tree);
        Wipe(tree);
        std::printf("delete round %d done (files left: least walk %d, RemoveTree %d, rd %d)\n",
                    r + 1, leftLeast, leftRemove, leftRd);
        std::fflush(stdout);
    }
    Report("Deleting", {leastDel, remove, rd}, 0);
    RemoveDirectoryA(kRoot);
    return 0;
}
