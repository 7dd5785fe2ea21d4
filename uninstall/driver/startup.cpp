#include "uninstall/driver/startup.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "framework/base/registry.h"
#include "framework/ui/forms.h"
#include "uninstall/driver/safety.h"
#include "uninstall/kxlib/config.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/language.h"
#include "uninstall/kxlib/paths.h"
#include "uninstall/kxlib/registry.h"
#include "uninstall/kxlib/text.h"
#include "uninstall/kxlib/trace.h"
#include "uninstall/kxlib/translate.h"

namespace uninst {

std::string MessageTexts[kMessageCount] = {
    "Apart from these files, all data in the following directory will be erased:",
    "All data in the following directory will be erased:",
    "Uninstall completed!",
    "Error during Uninstall.",
    "Uninstall aborted.",
    "Can't unregister ActiveX object: please restart your computer and retry",
    "Uninstall completed. Please restart your computer to remove the remaining files.",
};

namespace {

const char kUninstallRoot[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kFixedEntry[] = "Orvanta Lumadesk";

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A last-write time (FILETIME, UTC) in local time, packed in the DOS form
// (date in the high 16 bits, time in the low 16 with the seconds halved); -1
// when it has no DOS form.
std::int32_t DosStamp(std::uint64_t lastWrite) {
    FILETIME utc{static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
}

// The trace files the program itself writes: Trace.txt in its own folder,
// and the file tracing goes to now; canonical, empty where there is none.
struct OwnTraceFiles {
    std::wstring beside, current;
    OwnTraceFiles()
        : beside(kx::CanonicalFolder(kx::WidePath(kx::ParentFolder(kx::ProgramPath) + "\\Trace.txt"))),
          current(kx::TraceFileName.empty() ? std::wstring() : kx::CanonicalFolder(kx::WidePath(kx::TraceFileName))) {}
    bool Holds(const std::wstring& path) const {
        return (!beside.empty() && kx::SameWidePath(path, beside)) ||
               (!current.empty() && kx::SameWidePath(path, current));
    }
};

// From the last dot of the final element, the dot included.
std::wstring Extension(const std::wstring& path) {
    const auto dot = path.find_last_of(L".\\:");
    return dot == std::wstring::npos || path[dot] != L'.' ? std::wstring() : path.substr(dot);
}

[[noreturn]] void Refuse(const std::string& context) {
    kx::RaiseFatal(41, kx::Short(context));
    std::abort();  // not reached
}

void ReadConfigurationLocation(const std::string& argument, TUninstallJob& job) {
    job.FromConfigLocation = true;
    job.UninstallKey = std::string(kUninstallRoot) + kFixedEntry;
    kx::Config = std::make_unique<kx::TConfig>(argument);
    job.ConfigIsFile = kx::Config->Mode == kx::cmIniFile;
    // A registry location is written to (the store's write test) and, at
    // the end of the run, deleted in both roots: it must be a product's key.
    if (!job.ConfigIsFile && !kx::IsProductKeyPath(argument)) Refuse(argument);
    try {
        kx::OpenConfigSection(0, "", true);
        if (!kx::Config->CanWrite()) kx::RaiseFatal(68, kx::Config->SectionPath(true));
        job.ProductPath = kx::ReadConfig("Path", true);
        std::string serverPath = kx::ReadConfig("ServerPath", false);
        job.ProductName = serverPath.empty() ? "Orvanta Lumadesk" : "Lumadesk station";
    } catch (const std::exception&) {
        kx::RaiseFatal(41, argument);
    }
    // The store cuts values at 255 characters: a path that long may be a cut
    // one and name a parent of the product's folder.
    if (job.ProductPath.size() >= kx::kShortMax) Refuse(job.ProductPath);
    job.ConfigKey = fw::UpperCase(kx::FileExtension(argument)) == ".INI" ? std::string() : argument;
    kx::CloseConfig();
}

void ReadUninstallEntry(const std::string& argument, const std::string& asGiven, TUninstallJob& job) {
    // An empty name would open, and at the end of the run delete, the whole
    // list of installed programs.
    if (argument.empty()) Refuse(asGiven);
    job.UninstallKey = kUninstallRoot + argument;
    if (job.UninstallKey.size() > kx::kShortMax) Refuse(asGiven);

    fw::TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(job.UninstallKey, false)) kx::RaiseFatal(41, asGiven);

    if (registry.ReadString("Trace") == "1") kx::OpenTrace(true, true);
    // An entry without a folder is not this product's: whatever else it
    // names, nothing is read further or touched.
    std::string path = registry.ReadString("Path");
    if (path.empty()) Refuse(asGiven);
    if (path.size() > kx::kShortMax) Refuse(path);
    job.ProductPath = path;
    // The configuration key is deleted in both roots at the end of the run:
    // only a product's own key may be named, never one that is cut.
    const std::string configKey = registry.ReadString("ConfigKey");
    if (!configKey.empty()) {
        if (configKey.size() > kx::kShortMax) Refuse(configKey);
        job.ConfigIsFile = kx::TConfig(configKey).Mode == kx::cmIniFile;
        if (!job.ConfigIsFile && !kx::IsProductKeyPath(configKey)) Refuse(configKey);
    }
    job.ConfigKey = configKey;
    job.ProductName = kx::Short(registry.ReadString("DisplayName"));
    kx::SplitText(registry.ReadString("Unregister"), ';', job.UnregisterList);
}

}  // namespace

TSwitches ReadSwitches(const std::vector<std::string>& args) {
    TSwitches switches;
    for (const auto& arg : args) {
        if (arg.empty() || arg[0] != '/') {
            // The first argument that is no switch names the product.
            if (!switches.HasArgument) {
                switches.HasArgument = true;
                switches.Argument = arg;
            }
            continue;
        }
        const std::string upper = fw::UpperCase(arg);
        if (upper == "/QUIET") {
            switches.Quiet = true;
        } else if (upper == "/DELETEUSERFILES") {
            switches.DeleteUserFiles = true;
        } else if (upper.rfind("/LOG=", 0) == 0 && arg.size() > 5) {
            // Made full now: the start-up changes the current directory.
            char full[MAX_PATH + 1] = {};
            DWORD n = GetFullPathNameA(arg.c_str() + 5, sizeof full, full, nullptr);
            if (n == 0 || n >= sizeof full || n > kx::kShortMax) {
                if (switches.Refused.empty()) switches.Refused = arg;
                continue;
            }
            switches.LogFile.assign(full, n);
        } else if (switches.Refused.empty()) {
            switches.Refused = arg;
        }
    }
    return switches;
}

void StopWith(const std::exception& e) {
    if (auto* k = dynamic_cast<const kx::EOrvantaError*>(&e)) {
        kx::RaiseFatal(k->Code, k->Context);
    } else {
        kx::RaiseFatal(0, kx::EnsureEnding(kx::Short(e.what()), "."));
    }
    std::abort();  // not reached: the fatal stop ends the process
}

void ReadProduct(const std::string& asGiven, TUninstallJob& job) {
    // The argument, with the quote rule.  A longer one would be cut and
    // could then name another entry or file: it is refused.
    if (asGiven.size() > kx::kShortMax) Refuse(asGiven);
    std::string argument = asGiven;
    if (!argument.empty() && argument[0] == '"')
        argument = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string();
    job.Argument = argument;

    // The program's own folder becomes the current directory: a bare server
    // name in the entry is a file beside the uninstaller.
    SetCurrentDirectoryA(kx::ParentFolder(kx::ProgramPath).c_str());

    // An argument with a backslash names a configuration location; any other
    // names an uninstall entry.
    if (argument.find('\\') != std::string::npos)
        ReadConfigurationLocation(argument, job);
    else
        ReadUninstallEntry(argument, asGiven, job);

    // The folder that the run will erase must be the product's alone.  From
    // here on it has one spelling, for the window, the listing, the removal
    // and the check of what is left.
    if (!ProductFolderRefusal(job.ProductPath).empty()) Refuse(job.ProductPath);
    job.ProductRoot = kx::CanonicalFolder(kx::WidePath(job.ProductPath));
    if (job.ProductRoot.empty()) Refuse(job.ProductPath);
    job.ProductPath = kx::DisplayPath(job.ProductRoot);
}

void ChooseLanguage(const TUninstallJob& job, fw::TForm* form) {
    // Every failure here leaves the texts as far as they were replaced.
    try {
        kx::FreeConfig();
        std::string iniFile = kx::AddTrailingBackslash(job.ProductPath) + "Bin\\Lumadesk.ini";
        if (!job.ConfigKey.empty())
            kx::Config = std::make_unique<kx::TConfig>(job.ConfigKey);
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
            kx::Short(kx::AddTrailingBackslash(job.ProductPath) + "Lang\\" + language + "\\KxLang.dll");
        if (!FileExists(library)) return;
        HMODULE handle = kx::LoadLanguage(library);
        // The library is released however the translation ends, so that the
        // messages of the run come from the built-in table again.
        struct Release {
            HMODULE h;
            ~Release() { kx::UnloadLanguage(h); }
        } release{handle};
        if (form) kx::TranslateForm(*form);
        for (int i = 0; i < 6; ++i) MessageTexts[i] = kx::LangStr(static_cast<std::uint16_t>(4460 + i));
        // The restart text is newer than the libraries in the field: a
        // library without it leaves the English one.
        std::string restart = kx::LangStr(4466);
        if (!restart.empty()) MessageTexts[6] = restart;
    } catch (const std::exception&) {
        // English texts stay.
    }
}

void FindUserFiles(TUninstallJob& job) {
    // A folder on a network share is not searched.
    if (job.ProductRoot.empty() || !kx::IsLocalPath(job.ProductPath)) return;
    std::vector<kx::TFoundFile> files;
    kx::ListFilesStamped(job.ProductRoot, files, true);
    const OwnTraceFiles own;
    std::erase_if(files, [&own](const kx::TFoundFile& f) { return own.Holds(f.Path); });
    auto isHelp = [](const kx::TFoundFile& f) { return kx::SameWidePath(Extension(f.Path), L".chm"); };
    // The installation's stamp is the first help file's that is not hidden.
    auto firstHelp = std::find_if(files.begin(), files.end(),
                                  [&](const kx::TFoundFile& f) { return !f.Hidden && isHelp(f); });
    const std::int32_t reference = firstHelp == files.end() ? 0 : DosStamp(firstHelp->LastWrite);
    // Without it no file is the user's, and only the help files are known.
    if (reference <= 0) {
        for (const auto& f : files)
            if (!f.Hidden && isHelp(f)) job.ProductFiles.push_back(f.Path);
        return;
    }
    job.StampKnown = true;
    // With it, every file whose stamp lies further from it is the user's,
    // hidden or not; the user's files are taken from the last to the first.
    std::vector<bool> users(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::int64_t difference = static_cast<std::int64_t>(DosStamp(files[i].LastWrite)) - reference;
        if (difference < 0) difference = -difference;
        users[i] = difference > 10 && Extension(files[i].Path).rfind(L".~", 0) != 0;
    }
    for (std::size_t i = files.size(); i-- > 0;)
        if (users[i]) (files[i].Hidden ? job.HiddenUserFiles : job.UserFiles).push_back(files[i].Path);
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!users[i]) job.ProductFiles.push_back(std::move(files[i].Path));
}

}  // namespace uninst
