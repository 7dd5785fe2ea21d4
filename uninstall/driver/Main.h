// TMainForm: the uninstaller's one window.  It reads where the product lives,
// shows what will be erased and which files seem to be the user's, and on OK
// runs the removal in six stages; closing it reports the outcome.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/extctrls.h"

namespace uninst {

// The six texts the window keeps, English by default and replaced by the
// language library's texts 4460 to 4465 when one is found.
extern std::string MessageTexts[6];

// The program's exit status, set when the window reports the outcome:
// 0 after a completed run, 1602 when the user cancelled, 1603 after an error.
extern DWORD ExitStatus;
constexpr DWORD kExitCompleted = 0;
constexpr DWORD kExitCancelled = 1602;
constexpr DWORD kExitFailed = 1603;

class TMainForm : public fw::TForm {
    FW_CLASS(TMainForm)
public:
    explicit TMainForm(fw::TComponent* owner);
    ~TMainForm() override;

    // Published components, in declaration order.
    fw::TButton* btOk = nullptr;
    fw::TButton* btCancel = nullptr;
    fw::TPanel* pnMsg = nullptr;
    fw::TLabel* laMsg1 = nullptr;
    fw::TLabel* laProductPath = nullptr;
    fw::TLabel* laUserFiles = nullptr;
    fw::TCheckBox* chDeleteUserFiles = nullptr;
    fw::TListBox* lbUserFiles = nullptr;
    fw::TLabel* laWarning = nullptr;
    fw::TLabel* laSpacing1 = nullptr;
    fw::TLabel* Label2 = nullptr;

    // Event handlers.
    void FormDestroy(fw::TObject* Sender);
    void FormCreate(fw::TObject* Sender);
    void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
    void btCancelClick(fw::TObject* Sender);
    void btOkClick(fw::TObject* Sender);
    void chDeleteUserFilesClick(fw::TObject* Sender);

    void ChooseLanguage();
    void FindUserFiles();

    // The removal run.
    void RunUninstall();
    void UnregisterServerFile(const std::string& Entry);
    void CleanUpFiles();
    void CleanupRegistry(HKEY Root);
    void CleanupIconFolder(const std::string& Folder, bool RemoveWhenEmpty);

    // Fields, in declaration order.
    std::vector<std::string> FolderList;
    std::string ConfigKey;
    std::string ProductPath;
    std::string ProductName;
    std::int32_t RunState = 0;
    std::vector<std::string> ProductFiles;
    std::vector<std::string> UserFiles;
    std::string UninstallKey;
    std::vector<std::string> UnregisterList;

private:
    void StartUp();
    void ReadConfigurationLocation(const std::string& argument);
    void ReadUninstallEntry(const std::string& argument, const std::string& asGiven);
    void ShowCompact();
    void ShapeWithoutUserFiles();
    bool IsProductShortcut(const std::string& target, const std::string& arguments) const;
    bool MayRemoveShortcutFolder(const std::string& folder) const;
    bool MayDeleteFixedEntry() const;

    std::string Argument;      // this run's argument, after the quote rule
    bool FromConfigLocation = false;
    bool Running = false;      // the removal run is under way
    bool Reported = false;     // the outcome has been reported
};

}  // namespace uninst
