// The string table, the error routines and the system routines, seen from a
// host program: texts read from the loaded package, the framework's
// exception across the module boundary, a real message box, the real
// temporary and Windows folders and volumes.
#include <gtest/gtest.h>

#include <future>

#include "folvex/runtime/FolvexMessages.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "framework/base/sysutils.h"
#include "tests/folvex_routines/scoped_env.h"
#include "tests/support/winauto.h"

namespace {

TEST(FolvexStringTable, HoldsTheExactTextsAndExportsTheirNames) {
    const struct { unsigned id; const char* text; const char* exported; } table[] = {
        {65520, "Can't load", "_MSG_CANT_LOAD"},
        {65521, "Can't open file", "_MSG_CANT_OPEN_FILE"},
        {65522, "File not found", "_MSG_FILE_NOT_FOUND"},
        {65523, "Internal error", "_MSG_INTERNAL_ERROR"},
        {65524, "Invalid Windows function call", "_MSG_INVALID_WINDOWS_CALL"},
        {65525, "Printer not found", "_MSG_PRINTER_NOT_FOUND"},
        {65526, "Adobe Reader not found", nullptr},
        {65527, "Adobe Reader version not supported", nullptr},
        {65528, "FileName property not assigned", nullptr},
        {65529, "Invalid number of copies", nullptr},
        {65530, "Can't open PDF document: viewer must be placed on a visible control", nullptr},
        {65531, "PDF File Name", nullptr},
        {65532, "PDF Files|*.pdf|All Files|*.*", nullptr},
    };
    HMODULE package = GetModuleHandleA("Folvex.dll");
    ASSERT_NE(package, nullptr);
    for (const auto& row : table) {
        char text[256] = "sentinel";
        int n = LoadStringA(package, row.id, text, sizeof text);  // as any host reads it
        EXPECT_EQ(std::string(text, n > 0 ? n : 0), row.text) << row.id;
        EXPECT_EQ(folvex::TResString(row.id).Load(), row.text) << row.id;
        if (!row.exported) continue;
        auto named = reinterpret_cast<const folvex::TResString*>(GetProcAddress(package, row.exported));
        ASSERT_NE(named, nullptr) << row.exported;
        EXPECT_EQ(named->Load(), row.text) << row.exported;
    }
    EXPECT_EQ(std::string(folvex::_MSG_INTERNAL_ERROR), "Internal error");  // linked by name
    EXPECT_EQ(folvex::TResString(65519).Load(), "");
}

TEST(FolvexErrors, SetErrorRaisesTheFrameworkExceptionWithItsDetail) {
    const struct { std::string message, detail, text; } cases[] = {
        {folvex::_MSG_FILE_NOT_FOUND, "C:\\Docs\\a.pdf", "File not found\r\nC:\\Docs\\a.pdf"},
        {folvex::SReaderNotFound, "", "Adobe Reader not found"},
    };
    for (const auto& c : cases) {
        try {
            folvex::SetError(c.message, c.detail);
            ADD_FAILURE() << "SetError returned";
        } catch (const fw::Exception& e) {  // the class of orvfw.dll, raised in Folvex.dll
            EXPECT_EQ(e.Message(), c.text);
        }
    }
}

TEST(FolvexErrors, MsgErrorShowsAnUnownedErrorBox) {
    auto answer = std::async(std::launch::async, [] {
        struct Seen { ts::Dialog box; HWND owner; } seen{};
        HWND dlg = ts::WaitForDialog(GetCurrentProcessId());
        if (!dlg) return seen;
        seen.box = ts::ReadDialog(dlg);
        seen.owner = GetWindow(dlg, GW_OWNER);
        ts::PressButton(dlg, "OK");
        return seen;
    });
    folvex::MsgError(folvex::_MSG_CANT_OPEN_FILE, "C:\\Docs\\a.pdf");
    auto seen = answer.get();
    ASSERT_NE(seen.box.hwnd, nullptr) << "no message box appeared";
    EXPECT_EQ(seen.box.caption, "Error");
    EXPECT_NE(seen.box.text.find("Can't open file"), std::string::npos) << seen.box.text;
    EXPECT_NE(seen.box.text.find("C:\\Docs\\a.pdf"), std::string::npos) << seen.box.text;
    EXPECT_EQ(seen.box.icon, "error");
    EXPECT_EQ(seen.box.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_EQ(seen.owner, nullptr);
}

TEST(FolvexSystem, FoldersVolumesAndErrors) {
    {
        ScopedEnv tmp("TMP", "C:\\OrvTest\\Temp Files");
        EXPECT_EQ(folvex::GetTempDir(), "c:\\orvtest\\temp files\\");
    }

    std::string windows = folvex::GetWindowsDir();
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), '\\');
    DWORD attr = GetFileAttributesA(windows.c_str());
    EXPECT_TRUE(attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) << windows;

    int location = folvex::GetFileLocation(windows);
    EXPECT_GT(location, 0) << windows;
    EXPECT_EQ(folvex::GetFileLocation(windows.substr(0, 2) + "\\No\\Such\\file.txt"), location);
    EXPECT_EQ(folvex::GetFileLocation("Q:\\Docs\\a.pdf"), 0);  // no such drive

    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string last = folvex::GetWindowsLastError();
    EXPECT_EQ(last, "[Windows: " + fw::SysErrorMessage(ERROR_FILE_NOT_FOUND) + "]");
    EXPECT_EQ(last.find_first_of("\r\n"), std::string::npos) << last;
}

}  // namespace
