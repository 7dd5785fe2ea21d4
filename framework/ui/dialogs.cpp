#include "framework/ui/dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/ui/application.h"

namespace fw {

namespace {

const std::vector<std::string> kOptionNames = {
    "ofReadOnly",    "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofPathMustExist",
    "ofFileMustExist", "ofCreatePrompt",  "ofNoValidate",   "ofEnableSizing",
};

struct OptionFlag {
    TOpenOption option;
    DWORD flag;
};
const OptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},           {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},   {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofPathMustExist, OFN_PATHMUSTEXIST}, {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},   {ofNoValidate, OFN_NOVALIDATE},
    {ofEnableSizing, OFN_ENABLESIZING},
};

// "Name|*.ext|Name|*.*" as the dialog takes it: each part ended by a null
// character and the whole by a second one.
std::string FilterText(const std::string& filter) {
    std::string out = filter;
    std::replace(out.begin(), out.end(), '|', '\0');
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

}  // namespace

FW_IMPLEMENT_CLASS(TOpenDialog, TComponent, [](TClassBuilder<TOpenDialog>& b) {
    b.String("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt, "");
    b.String("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName, "");
    b.String("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter, "");
    b.Integer("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex, 1);
    b.String("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir, "");
    b.Set("Options", kOptionNames, &TOpenDialog::Options, &TOpenDialog::SetOptions,
          ofHideReadOnly | ofEnableSizing);
    b.String("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle, "");
})

FW_IMPLEMENT_CLASS(TSaveDialog, TOpenDialog, [](TClassBuilder<TSaveDialog>&) {})

namespace {
const TClassRegistration kRegistered{&TOpenDialog::StaticClass, &TSaveDialog::StaticClass};
}  // namespace

bool TOpenDialog::Execute() {
    const std::string filter = FilterText(filter_);
    std::string defExt = defaultExt_;
    if (!defExt.empty() && defExt[0] == '.') defExt.erase(0, 1);
    // Room for a long path; the initial name is cut to fit.
    std::vector<char> name(32768, '\0');
    fileName_.copy(name.data(), name.size() - 1);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    HWND owner = GetActiveWindow();
    ofn.hwndOwner = owner ? owner : Application.Handle();
    ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0));
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
    ofn.Flags = OFN_EXPLORER;
    for (const auto& o : kOptionFlags)
        if (options_ & o.option) ofn.Flags |= o.flag;

    for (int attempt = 0;; ++attempt) {
        BOOL ok = IsSave() ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
        if (ok) break;
        DWORD error = CommDlgExtendedError();
        if (error == 0) return false;  // cancelled
        // The system refuses to open with a name it cannot take as a file
        // name (a web address, a name with a wild card): open with none.
        if (error == FNERR_INVALIDFILENAME && attempt == 0 && name[0]) {
            name.assign(name.size(), '\0');
            continue;
        }
        char code[16];
        std::snprintf(code, sizeof code, "%04lX", static_cast<unsigned long>(error));
        throw Exception(std::string("The file dialog failed (error ") + code + ")");
    }
    fileName_ = name.data();
    filterIndex_ = static_cast<int>(ofn.nFilterIndex);
    return true;
}

}  // namespace fw
