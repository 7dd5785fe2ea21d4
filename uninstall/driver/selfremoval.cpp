#include "uninstall/driver/selfremoval.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cstdint>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "uninstall/driver/safety.h"
#include "uninstall/kxlib/paths.h"

namespace uninst {

namespace {

// Two paths name the same file or folder; never an empty one.
bool Same(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const std::string fa = FullFolderPath(a);
    return !fa.empty() && fw::SameText(fa, FullFolderPath(b));
}

// Checks the folder Base (with its trailing backslash) and what is inside.
// Way: the folders from Base down to the program's folder, each full.
bool HoldsOnly(const std::string& base, const std::vector<std::string>& way, std::size_t depth,
               const std::string& program, const std::string& traceFile) {
    WIN32_FIND_DATAA fd;
    fw::UniqueFind find(FindFirstFileA((base + "*").c_str(), &fd));
    if (!find) return false;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = base + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth + 1 >= way.size() || !Same(path, way[depth + 1])) return false;
            if (!HoldsOnly(path + "\\", way, depth + 1, program, traceFile)) return false;
        } else {
            const bool inProgramFolder = depth + 1 == way.size();
            if (!inProgramFolder || !(Same(path, program) || Same(path, traceFile))) return false;
        }
    } while (FindNextFileA(find.get(), &fd));
    return true;
}

// The folders from the product folder down to the program's folder, full;
// empty when the program does not lie inside the product folder.
std::vector<std::string> WayDown(const std::string& productPath, const std::string& program) {
    const std::string product = FullFolderPath(productPath);
    std::string folder = FullFolderPath(kx::ParentFolder(FullFolderPath(program)));
    if (product.empty() || folder.empty() || !kx::PathIsUnder(product, folder)) return {};
    std::vector<std::string> up;
    while (!fw::SameText(folder, product)) {
        up.push_back(folder);
        std::string parent = kx::ParentFolder(folder);
        if (parent.empty() || parent.size() >= folder.size()) return {};
        folder = FullFolderPath(parent);
    }
    up.push_back(product);
    return {up.rbegin(), up.rend()};
}

// The whole file's bytes; empty when it cannot be read.
std::string Contents(const std::string& path) {
    fw::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > (256 << 20)) return {};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        done != bytes.size())
        return {};
    return bytes;
}

std::string ModulePath() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return n && n < MAX_PATH ? std::string(buf, n) : std::string();
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Deletes a file, retrying for a while: the system may keep the file of a
// program that has just ended mapped for a moment.
bool DeleteSoon(const std::string& path) {
    for (int i = 0; i < 50; ++i) {
        if (DeleteFileA(path.c_str())) return true;
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

bool OnlyUninstallerLeft(const std::string& productPath, const std::string& program,
                         const std::string& traceFile) {
    const std::vector<std::string> way = WayDown(productPath, program);
    if (way.empty()) return false;
    if (!traceFile.empty() && !Same(kx::ParentFolder(FullFolderPath(traceFile)), way.back())) return false;
    return HoldsOnly(way.front() + "\\", way, 0, program, traceFile);
}

bool StartSelfRemoval(const std::string& productPath, const std::string& program,
                      const std::string& traceFile) {
    // The copy runs from a new folder of its own in the temporary folder,
    // with that folder as its current directory: a current directory inside
    // the product folder would keep that folder from being removed.  Under
    // the system account (deployment tools) the temporary folder is shared
    // with every user, and a program loads libraries from its own folder
    // first: only the running account, the system and the administrators
    // may write into the copy's folder, so nobody can put a library there.
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) return false;
    const std::string user = CurrentUserSid();
    if (user.empty()) return false;
    char stem[64];
    std::snprintf(stem, sizeof stem, "orvuninst-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    const std::string folder = std::string(temp) + stem;
    const std::string rules = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(rules.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    const bool made = CreateDirectoryA(folder.c_str(), &security) != FALSE;
    LocalFree(descriptor);
    if (!made) return false;
    const std::string copy = folder + "\\" + stem + ".exe";
    if (!CopyFileA(program.c_str(), copy.c_str(), TRUE)) {
        RemoveDirectoryA(folder.c_str());
        return false;
    }
    auto discard = [&] {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
    };

    // The copy waits on a handle of this process that it inherits: a
    // process id could meanwhile name another process.
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0)) {
        discard();
        return false;
    }
    fw::UniqueKernel selfHandle(self);
    std::string command = Quoted(copy) + " " + kSelfRemovalSwitch + " " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(self)) + " " +
                          Quoted(program) + " " + Quoted(FullFolderPath(productPath)) + " " +
                          Quoted(traceFile);

    // Only that handle is inherited, not the standard handles whoever
    // started the uninstaller may wait on.
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    STARTUPINFOEXA si{};
    si.StartupInfo.cb = sizeof si;
    DWORD flags = CREATE_NO_WINDOW;
    if (size && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &self, sizeof self,
                                      nullptr, nullptr)) {
            si.lpAttributeList = list;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        }
    }
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                        folder.c_str(), &si.StartupInfo, &pi);
    if (si.lpAttributeList) DeleteProcThreadAttributeList(list);
    if (!started) {
        discard();
        return false;
    }
    fw::UniqueKernel thread(pi.hThread), process(pi.hProcess);
    return true;
}

int RunSelfRemoval(const std::vector<std::string>& args) {
    if (args.size() != 4) return 1;
    const std::string& program = args[1];
    const std::string& productPath = args[2];
    const std::string& traceFile = args[3];
    char* end = nullptr;
    const auto value = std::strtoull(args[0].c_str(), &end, 10);
    if (!end || *end) return 1;
    fw::UniqueKernel original(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)));

    // The copy's own file and then its folder go at the next restart,
    // however this ends.
    const std::string self = ModulePath();
    struct Later {
        std::string file;
        ~Later() {
            if (file.empty()) return;
            MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            const std::string folder = kx::ParentFolder(file);
            if (!folder.empty()) MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
    } later{self};

    // The original ends a moment after starting this copy.  One that does
    // not end within a minute is left alone, and so is its folder.
    if (WaitForSingleObject(original.get(), 60000) != WAIT_OBJECT_0) return 1;
    original.reset();

    // Everything is checked again now that the original has ended: the
    // folder must still be the product's alone and hold nothing but the
    // uninstaller and its trace file, and the uninstaller must be the very
    // program this copy was made of.
    if (!ProductFolderRefusal(productPath).empty()) return 1;
    if (!OnlyUninstallerLeft(productPath, program, traceFile)) return 1;
    const std::string mine = Contents(self);
    if (mine.empty() || Contents(program) != mine) return 1;

    const std::vector<std::string> way = WayDown(productPath, program);
    if (!traceFile.empty() && !DeleteSoon(traceFile)) return 1;
    if (!DeleteSoon(program)) return 1;
    // The folders from the uninstaller's up to the product folder; a folder
    // that is not empty (something appeared meanwhile) stays, and so do
    // those above it.
    for (auto folder = way.rbegin(); folder != way.rend(); ++folder)
        if (!RemoveDirectoryA(folder->c_str())) return 1;
    return 0;
}

}  // namespace uninst
