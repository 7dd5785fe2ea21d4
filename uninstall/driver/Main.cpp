#include "uninstall/driver/Main.h"

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <utility>
#include <vector>

#include "framework/registry.h"
#include "uninstall/driver/safety.h"
#include "uninstall/kxlib/config.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/language.h"
#include "uninstall/kxlib/paths.h"
#include "uninstall/kxlib/registry.h"
#include "uninstall/kxlib/servers.h"
#include "uninstall/kxlib/shell.h"
#include "uninstall/kxlib/text.h"
#include "uninstall/kxlib/trace.h"
#include "uninstall/kxlib/translate.h"

namespace uninst {

std::string MessageTexts[6] = {
    "Apart from these files, all data in the following directory will be erased:",
    "All data in the following directory will be erased:",
    "Uninstall completed!",
    "Error during Uninstall.",
    "Uninstall aborted.",
    "Can't unregister ActiveX object: please restart your computer and retry",
};

DWORD ExitStatus = kExitFailed;

namespace {

const char kUninstallRoot[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kFixedEntry[] = "Orvanta Lumadesk";

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The file's last-write time in local time, packed in the DOS form (date in
// the high 16 bits, time in the low 16 with the seconds halved); -1 when the
// file cannot be found.
std::int32_t ModificationStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
}

// A text with one pair of enclosing double quotes removed.
std::string Unquoted(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

// An absolute local (X:\...) or network (\\...) path.
bool IsAbsolutePath(const std::string& s) {
    if (s.size() >= 3 && s[1] == ':' && s[2] == '\\') {
        char c = s[0];
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    return s.size() >= 3 && s[0] == '\\' && s[1] == '\\';
}

std::string CurrentFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

// Ends the program as the fatal stop does, with the error that escaped the
// start-up: the window is never shown with half of what it must say.
[[noreturn]] void StopWith(const std::exception& e) {
    if (auto* k = dynamic_cast<const kx::EOrvantaError*>(&e)) {
        kx::RaiseFatal(k->Code, k->Context);
    } else {
        kx::RaiseFatal(0, kx::EnsureEnding(kx::Short(e.what()), "."));
    }
    std::abort();  // not reached: the fatal stop ends the process
}

// Drops what reached the window while the run was under way: close requests
// (posted ones and the system command), clicks on its buttons and the
// user's keys and mouse clicks.  Left in the queue, the outcome message's
// own loop would deliver them after the run and close the window again.
BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

void DropQueuedRequests(HWND window) {
    std::vector<HWND> targets{window};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&targets));
    const std::pair<UINT, UINT> ranges[] = {
        {WM_CLOSE, WM_CLOSE},       {WM_SYSCOMMAND, WM_SYSCOMMAND}, {BM_CLICK, BM_CLICK},
        {WM_KEYFIRST, WM_KEYLAST},  {WM_MOUSEFIRST, WM_MOUSELAST},
    };
    MSG msg;
    for (HWND target : targets)
        for (const auto& [first, last] : ranges)
            while (PeekMessageA(&msg, target, first, last, PM_REMOVE | PM_NOYIELD)) {
            }
}

[[noreturn]] void Refuse(const std::string& context) {
    kx::RaiseFatal(41, kx::Short(context));
    std::abort();  // not reached
}

}  // namespace

FW_IMPLEMENT_CLASS(TMainForm, fw::TForm, [](fw::TClassBuilder<TMainForm>&) {})

TMainForm::TMainForm(fw::TComponent* owner) : fw::TForm(owner) {
    BindField("btOk", btOk);
    BindField("btCancel", btCancel);
    BindField("pnMsg", pnMsg);
    BindField("laMsg1", laMsg1);
    BindField("laProductPath", laProductPath);
    BindField("laUserFiles", laUserFiles);
    BindField("chDeleteUserFiles", chDeleteUserFiles);
    BindField("lbUserFiles", lbUserFiles);
    BindField("laWarning", laWarning);
    BindField("laSpacing1", laSpacing1);
    BindField("Label2", Label2);
    BindMethod("FormDestroy", &TMainForm::FormDestroy);
    BindMethod("FormCreate", &TMainForm::FormCreate);
    BindMethod("FormClose", &TMainForm::FormClose);
    BindMethod("btCancelClick", &TMainForm::btCancelClick);
    BindMethod("btOkClick", &TMainForm::btOkClick);
    BindMethod("chDeleteUserFilesClick", &TMainForm::chDeleteUserFilesClick);
    InitForm("MainForm");
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate(fw::TObject*) {
    // Any error that escapes the start-up ends the program before the window
    // is shown: a half-filled window could erase a product it never read.
    try {
        StartUp();
    } catch (const std::exception& e) {
        StopWith(e);
    }
}

void TMainForm::StartUp() {
    // 1. Exactly one argument tells where the product's description is.
    if (__argc < 2) kx::RaiseFatal(41, "");

    // 2.
    fw::Screen.SetCursor(fw::crAppStart);
    FolderList.clear();
    ProductFiles.clear();
    UserFiles.clear();
    UnregisterList.clear();

    // 3. The argument, with the quote rule.  A longer one would be cut and
    // could then name another entry or file: it is refused.
    const std::string asGiven = __argv[1];
    if (asGiven.size() > kx::kShortMax) Refuse(asGiven);
    std::string argument = asGiven;
    if (!argument.empty() && argument[0] == '"')
        argument = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string();
    Argument = argument;

    // 4. The program's own folder becomes the current directory.
    SetCurrentDirectoryA(kx::ParentFolder(kx::ProgramPath).c_str());

    // 6 to 8.
    if (argument.find('\\') != std::string::npos)
        ReadConfigurationLocation(argument);
    else
        ReadUninstallEntry(argument, asGiven);

    // The folder that the run will erase must be the product's alone.
    if (!ProductPath.empty() && !ProductFolderRefusal(ProductPath).empty()) Refuse(ProductPath);

    // 9, 10.
    ChooseLanguage();
    laMsg1->SetCaption(laMsg1->Caption() + " " + ProductName + ".");

    // 11, 12.
    if (kx::IsLocalPath(ProductPath)) {
        laProductPath->SetCaption(ProductPath);
        FindUserFiles();
    } else {
        ShowCompact();
    }

    // 13.
    fw::Screen.SetCursor(fw::crDefault);
}

void TMainForm::ReadConfigurationLocation(const std::string& argument) {
    FromConfigLocation = true;
    UninstallKey = std::string(kUninstallRoot) + kFixedEntry;
    kx::Config = std::make_unique<kx::TConfig>(argument);
    try {
        kx::OpenConfigSection(0, "", true);
        if (!kx::Config->CanWrite()) kx::RaiseFatal(68, kx::Config->SectionPath(true));
        ProductPath = kx::ReadConfig("Path", true);
        std::string serverPath = kx::ReadConfig("ServerPath", false);
        ProductName = serverPath.empty() ? "Orvanta Lumadesk" : "Lumadesk station";
    } catch (const std::exception&) {
        kx::RaiseFatal(41, argument);
    }
    // The store cuts values at 255 characters: a path that long may be a cut
    // one and name a parent of the product's folder.
    if (ProductPath.size() >= kx::kShortMax) Refuse(ProductPath);
    ConfigKey = fw::UpperCase(kx::FileExtension(argument)) == ".INI" ? std::string() : argument;
    kx::CloseConfig();
}

void TMainForm::ReadUninstallEntry(const std::string& argument, const std::string& asGiven) {
    // An empty name would open, and at the end of the run delete, the whole
    // list of installed programs.
    if (argument.empty()) Refuse(asGiven);
    UninstallKey = kUninstallRoot + argument;
    if (UninstallKey.size() > kx::kShortMax) Refuse(asGiven);

    fw::TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(UninstallKey, false)) kx::RaiseFatal(41, asGiven);

    if (registry.ReadString("Trace") == "1") kx::OpenTrace(true, true);
    ConfigKey = kx::Short(registry.ReadString("ConfigKey"));
    std::string path = registry.ReadString("Path");
    if (path.size() > kx::kShortMax) Refuse(path);
    ProductPath = path;
    ProductName = kx::Short(registry.ReadString("DisplayName"));
    kx::SplitText(registry.ReadString("Unregister"), ';', UnregisterList);
}

void TMainForm::ChooseLanguage() {
    // Every failure here leaves the texts as far as they were replaced.
    try {
        kx::FreeConfig();
        std::string iniFile = kx::AddTrailingBackslash(ProductPath) + "Bin\\Lumadesk.ini";
        if (!ConfigKey.empty())
            kx::Config = std::make_unique<kx::TConfig>(ConfigKey);
        else if (FileExists(iniFile))
            kx::Config = std::make_unique<kx::TConfig>(iniFile);
        else
            return;
        kx::OpenConfigSection(1, "", true);
        std::string language = kx::ReadConfig("UserLanguage", true);
        kx::CloseConfig();
        // The language becomes part of a library path: only a plain name may.
        if (!IsPlainLanguageName(language)) return;
        std::string library =
            kx::Short(kx::AddTrailingBackslash(ProductPath) + "Lang\\" + language + "\\KxLang.dll");
        if (!FileExists(library)) return;
        HMODULE handle = kx::LoadLanguage(library);
        // The library is released however the translation ends, so that the
        // messages of the run come from the built-in table again.
        struct Release {
            HMODULE h;
            ~Release() { kx::UnloadLanguage(h); }
        } release{handle};
        kx::TranslateForm(*this);
        for (int i = 0; i < 6; ++i) MessageTexts[i] = kx::LangStr(static_cast<std::uint16_t>(4460 + i));
    } catch (const std::exception&) {
        // English texts stay.
    }
}

void TMainForm::FindUserFiles() {
    // 1.
    if (!kx::IsLocalPath(ProductPath)) return;
    // 2.
    kx::ListFiles(ProductPath, "*.chm", true, ProductFiles);
    // 3. The installation's stamp is the first help file's.
    std::int32_t reference = ProductFiles.empty() ? 0 : ModificationStamp(ProductFiles.front());
    // 4.
    if (reference > 0) {
        ProductFiles.clear();
        kx::ListFiles(ProductPath, "*.*", true, ProductFiles);
        for (int i = static_cast<int>(ProductFiles.size()) - 1; i >= 0; --i) {
            const std::string& file = ProductFiles[i];
            std::int64_t difference =
                static_cast<std::int64_t>(ModificationStamp(file)) - static_cast<std::int64_t>(reference);
            if (difference < 0) difference = -difference;
            std::string extension = kx::FileExtension(file);
            if (difference > 10 && extension.rfind(".~", 0) != 0) {
                UserFiles.push_back(file);
                ProductFiles.erase(ProductFiles.begin() + i);
            }
        }
    }
    // 5, 6.
    if (!UserFiles.empty()) {
        chDeleteUserFiles->SetChecked(false);
        lbUserFiles->Items().Clear();
        for (const auto& file : UserFiles) lbUserFiles->Items().Add(kx::RelativePath(file, ProductPath));
    } else {
        ShapeWithoutUserFiles();
    }
    // 7.
    chDeleteUserFilesClick(chDeleteUserFiles);
}

void TMainForm::ShowCompact() {
    // A folder on a network share is not searched for user files, but the
    // window still names the folder that the run will erase, with every
    // file in it: the shape of a local folder without user files.
    laProductPath->SetCaption(ProductPath);
    ShapeWithoutUserFiles();
    chDeleteUserFilesClick(chDeleteUserFiles);
}

void TMainForm::ShapeWithoutUserFiles() {
    // The product line, the erase warning and the folder: everything in it goes.
    chDeleteUserFiles->SetChecked(true);
    laUserFiles->SetVisible(false);
    lbUserFiles->SetVisible(false);
    laSpacing1->SetVisible(false);
    chDeleteUserFiles->SetVisible(false);
    pnMsg->SetHeight(90);
    SetHeight(190);
}

void TMainForm::chDeleteUserFilesClick(fw::TObject*) {
    laWarning->SetCaption(MessageTexts[chDeleteUserFiles->Checked() ? 1 : 0]);
}

void TMainForm::btCancelClick(fw::TObject*) { Close(); }

void TMainForm::btOkClick(fw::TObject*) {
    if (Running || RunState != 0) return;  // the run happens once
    RunUninstall();
}

void TMainForm::FormClose(fw::TObject*, fw::TCloseAction& Action) {
    // Nothing closes the window while the run is under way.
    if (Running) {
        Action = fw::caNone;
        return;
    }
    // A second close request (one queued behind the first, or one that the
    // outcome box's own message loop delivers) reports nothing again.
    if (Reported) return;
    Reported = true;
    switch (RunState) {
        case 1:
            kx::ShowInformation(0, MessageTexts[2]);
            ExitStatus = kExitCompleted;
            break;
        case 0:
            kx::ShowWarning(0, MessageTexts[4], false);
            ExitStatus = kExitCancelled;
            break;
        case -1:
            kx::ShowError(0, MessageTexts[3]);
            ExitStatus = kExitFailed;
            break;
        case -2:
            // The product is still installed: the user restarts and runs the
            // uninstaller again.
            kx::ShowError(0, MessageTexts[5]);
            ExitStatus = kExitFailed;
            break;
        default:
            break;
    }
}

void TMainForm::FormDestroy(fw::TObject*) {
    FolderList.clear();
    ProductFiles.clear();
    UserFiles.clear();
    UnregisterList.clear();
}

// ---------------------------------------------------------------------------
// The removal run

void TMainForm::RunUninstall() {
    // 1. Nothing can close the window or start the run again from here on.
    Running = true;
    btOk->SetEnabled(false);
    btCancel->SetEnabled(false);
    SetBorderIcons(0);
    kx::ProcessPendingMessages();

    // 2. However the stages end, the cursor comes back and the window closes.
    std::exception_ptr failure;
    std::vector<std::string> shortcutFolders;
    try {
        // 3.
        fw::Screen.SetCursor(fw::crHourGlass);
        RunState = -1;
        // 4. Servers.
        for (const auto& entry : UnregisterList) UnregisterServerFile(entry);
        // 5. Files.
        CleanUpFiles();
        // 6. Registry.
        CleanupRegistry(HKEY_LOCAL_MACHINE);
        CleanupRegistry(HKEY_CURRENT_USER);
        // 7. Start-menu folders.
        std::string programs = kx::GetShellFolderDir("Programs");
        kx::ListFolders(programs, shortcutFolders, false);
        for (const auto& folder : shortcutFolders) CleanupIconFolder(folder, true);
        // 8. Desktop.
        CleanupIconFolder(kx::GetShellFolderDir("Desktop"), false);
        // 9. The uninstall entry.
        if (!FromConfigLocation || MayDeleteFixedEntry()) {
            fw::TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            registry.DeleteKey(UninstallKey);
        }
        // 10, 11.
        RunState = 1;
        kx::Trace("Completed");
    } catch (...) {
        failure = std::current_exception();
    }
    // 12 to 14.
    shortcutFolders.clear();
    fw::Screen.SetCursor(fw::crDefault);
    // Whatever asked to close the window during the run is not answered:
    // the run closes it, once.
    DropQueuedRequests(Handle());
    Running = false;
    Close();
    // The error that ended the run reaches the application's error box
    // after the outcome message.
    if (failure) std::rethrow_exception(failure);
}

void TMainForm::UnregisterServerFile(const std::string& Entry) {
    kx::Trace("Unregister: " + Entry);
    if (kx::IndexOfText(kx::FileExtension(Entry), {".ocx", ".dll"}) < 0) return;
    // Only the product's own servers are unregistered and deleted: a shared
    // server elsewhere serves other programs too.  A bare file name is the
    // one in the program's own folder (the current directory).
    std::string file = Entry;
    if (Entry.find('\\') == std::string::npos) {
        file = kx::AddTrailingBackslash(CurrentFolder()) + Entry;
        if (!FileExists(file)) return;
    }
    if (!kx::PathIsUnder(ProductPath, file)) return;
    kx::RegisterOcx(file, false);
    try {
        kx::RemoveFile(file);
    } catch (...) {
        RunState = -2;
        throw;
    }
}

void TMainForm::CleanUpFiles() {
    kx::Trace("CleanUpFiles");
    try {
        if (chDeleteUserFiles->Checked() || UserFiles.empty()) {
            kx::RemoveTree(ProductPath);
            return;
        }
        // The uninstaller itself cannot be deleted while it runs: it is passed
        // over instead of ending the stage before the product's other files.
        const std::string self = FullFolderPath(kx::ProgramPath);
        for (const auto& file : ProductFiles)
            if (!fw::SameText(FullFolderPath(file), self)) kx::RemoveFile(file);
        FolderList.clear();
        kx::ListFolders(ProductPath, FolderList, true);
        for (int i = static_cast<int>(FolderList.size()) - 1; i >= 0; --i) {
            try {
                if (kx::CountFiles(FolderList[i]) == 0) kx::RemoveTree(FolderList[i]);
            } catch (const std::exception&) {
                // A folder that cannot go stays.
            }
        }
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
}

void TMainForm::CleanupRegistry(HKEY Root) {
    if (ConfigKey.empty()) return;
    kx::Trace("CleanupRegistry");
    try {
        kx::KxDeleteKey(Root, ConfigKey);
        std::string key = kx::DropTrailingBackslash(ConfigKey);
        int p = kx::LastCharPos('\\', key);
        if (p > 0) {
            std::string parent = key.substr(0, static_cast<std::size_t>(p - 1));
            fw::TRegistry registry;
            registry.SetRootKey(Root);
            if (registry.OpenKey(parent, false) && !registry.HasSubKeys()) {
                registry.CloseKey();
                kx::KxDeleteKey(Root, parent);
            }
        }
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
}

bool TMainForm::IsProductShortcut(const std::string& target, const std::string& arguments) const {
    if (kx::PathIsUnder(ProductPath, target)) return true;
    // An argument text counts only as an absolute path into the product
    // folder: a relative one (--profile=Default) says nothing of the product.
    std::string argument = Unquoted(arguments);
    if (IsAbsolutePath(argument) && kx::PathIsUnder(ProductPath, argument)) return true;
    // The uninstaller itself may serve several installations: a shortcut to
    // it is this installation's when it names no entry or this run's.
    if (fw::UpperCase(target) == fw::UpperCase(kx::ProgramPath))
        return argument.empty() || fw::SameText(argument, Argument);
    return false;
}

bool TMainForm::MayRemoveShortcutFolder(const std::string& folder) const {
    // Never a folder the user's shell knows by name (StartUp, say).
    std::string full = FullFolderPath(folder);
    for (const auto& p : ProtectedFolders()) {
        std::string a = fw::UpperCase(p) + "\\", b = fw::UpperCase(full) + "\\";
        if (a.compare(0, b.size(), b) == 0) return false;
    }
    // And only when nothing is left that may be someone else's.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((kx::AddTrailingBackslash(folder) + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool onlyShellFiles = true;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        bool shellFile = !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         (fw::SameText(name, "desktop.ini") || fw::SameText(name, "Thumbs.db"));
        if (!shellFile) onlyShellFiles = false;
    } while (onlyShellFiles && FindNextFileA(h, &fd));
    FindClose(h);
    return onlyShellFiles;
}

void TMainForm::CleanupIconFolder(const std::string& Folder, bool RemoveWhenEmpty) {
    kx::Trace("CleanupIconFolder: " + Folder);
    try {
        std::vector<std::string> links;
        kx::ListFiles(Folder, "*.lnk", false, links);
        if (links.empty()) return;
        for (int i = static_cast<int>(links.size()) - 1; i >= 0; --i) {
            std::string target, arguments;
            kx::ResolveShortcut(links[i], target, arguments, 255, 255);
            if (IsProductShortcut(target, arguments)) {
                kx::RemoveFile(links[i]);
                links.erase(links.begin() + i);
            }
        }
        if (links.empty() && RemoveWhenEmpty && MayRemoveShortcutFolder(Folder)) kx::RemoveTree(Folder);
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
}

bool TMainForm::MayDeleteFixedEntry() const {
    // The fixed entry may belong to another installation of the product: it
    // goes only when it names no folder or this product's folder.
    try {
        fw::TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKeyReadOnly(UninstallKey)) return false;
        if (!registry.ValueExists("Path")) return true;
        std::string path = registry.ReadString("Path");
        if (path.empty()) return true;
        return fw::SameText(FullFolderPath(path), FullFolderPath(ProductPath));
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace uninst
