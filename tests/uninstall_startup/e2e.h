// Shared pieces of the uninstaller's start-up tests: a stage per test (its
// own scratch folder, its own copy of uninstall.exe, its own uninstall entry
// and configuration keys, all removed afterwards), a reading of the main
// window as a person sees it, and the waits for what the process shows.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/product.h"

namespace e2e {

// The running test's name, for folder, entry and key names.
std::string TestName();

class StageTest : public ::testing::Test {
protected:
    StageTest();
    ~StageTest() override;

    ts::ScratchDir dir;
    std::string product;  // <scratch>\Lumadesk, the product folder
    std::string exe;      // <scratch>\Prog\uninstall.exe, this test's own copy
    std::string entry;    // the uninstall entry's name

    // A product tree as installed: help files and a program, all with the
    // installation's stamp.
    void StageInstallation();
    // The uninstall entry `entry` with these text values.
    void StageEntry(const ts::Values& values);
    // A registry key path below Software\Orvanta E2E named after the test;
    // the key is removed (below both roots) after the test.
    std::string ConfigKeyPath(const std::string& suffix = "");
    // The French test library as <product>\Lang\<language>\KxLang.dll.
    void StageFrenchLibrary(const std::string& language);
    // Starts this test's uninstall.exe with a command-line tail as given.
    ts::Uninstaller Start(const std::string& argumentText);

private:
    std::vector<std::string> keys_;
};

// What a person sees of the main window.
struct WindowView {
    std::string caption;
    SIZE size{};
    std::vector<std::string> labels;     // visible labels with text, top to bottom
    std::vector<RECT> labelRects;        // their places, in screen coordinates
    bool listVisible = false;
    std::vector<std::string> listItems;  // the user-file list
    RECT listRect{};
    bool checkVisible = false;
    bool checked = false;
    std::string checkText;
    HWND checkBox = nullptr;
    std::vector<std::string> buttons;  // visible push buttons, left to right
    std::vector<RECT> buttonRects;
    RECT panel{};
    RECT client{};  // the window's client area, in screen coordinates
};
WindowView ReadWindow(HWND w);

// Clicks the window's check box and reads the window once the box has
// changed (or after five seconds).
WindowView ClickCheckBox(HWND w);

// What the process shows first: its main window or a message box.
enum class Shown { Window, Dialog, Nothing };
Shown WaitForFirst(ts::Uninstaller& u, DWORD timeoutMs = 20000);

// A stop before the window: the message box, read; whether a main window
// was visible at any moment until the process ended; its exit code.
struct Stop {
    ts::Dialog dialog;
    bool windowSeen = false;
    DWORD exitCode = STILL_ACTIVE;
};
// Waits for the message box, presses its OK and waits for the end.
Stop AwaitStop(ts::Uninstaller& u);

// The outcome message of a closed window, read; OK pressed; the exit code.
struct Outcome {
    ts::Dialog dialog;
    DWORD exitCode = STILL_ACTIVE;
};
Outcome AwaitOutcome(ts::Uninstaller& u);

// Every file and folder below a folder with size and last-write time, and
// every key and value below a registry key: for "nothing changed" checks.
std::vector<std::string> TreeSnapshot(const std::string& folder);
std::vector<std::string> KeySnapshot(HKEY root, const std::string& key);

// The expected fatal-stop text for code 41 ("Invalid parameter") with a
// context of at most 200 characters.
std::string InvalidParameter(const std::string& context);

}  // namespace e2e
