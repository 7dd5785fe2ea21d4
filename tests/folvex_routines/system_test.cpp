// The string table, the error routines and the system routines, seen from a
// host program: texts read from the loaded package, the framework's
// exception across the module boundary, a real message box, the real
// temporary and Windows folders and volumes.
#include <gtest/gtest.h>

#include <future>

#include "folvex/runtime/FolvexMessages.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "framework/sysutils.h"
#include "tests/folvex_routines/scoped_env.h"
#include "tests/support/winauto.h"

namespace {

TEST(FolvexStringTable, HoldsTheExactTexts) {
    const struct { unsigned id; const char* text; } table[] = {
        {65520, "Can't load"},
        {65521, "Can't open file"},
        {65522, "File not found"},
        {65523, "Internal error"},
        {65524, "Invalid Windows function call"},
        {65525, "Printer not found"},
        {65526, "Adobe Reader not found"},
        {65527, "Adobe Reader version not supported"},
        {65528, "FileName property not assigned"},
        {65529, "Invalid number of copies"},
        {65530, "Can't open PDF document: viewer must be placed on a visible control"},
        {65531, "PDF File Name"},
        {65532, "PDF Files|*.pdf|All Files|*.*"},
    };
    HMODULE package = GetModuleHandleA("Folvex.dll");
    ASSERT_NE(package, nullptr);
    for (const auto& row : table) {
        char text[256] = "sentinel";
        int n = LoadStringA(package, row.id, text, sizeof text);  // as any host reads it
        EXPECT_EQ(std::string(text, n > 0 ? n : 0), row.text) << row.id;
        EXPECT_EQ(folvex::TResString(row.id).Load(), row.text) << row.id;
    }
    EXPECT_EQ(folvex::TResString(65519).Load(), "");
    EXPECT_EQ(std::string(folvex::SPdfFileFilter), "PDF Files|*.pdf|All Files|*.*");
}

TEST(FolvexStringTable, ExportsTheNamedTexts) {
    const struct { const char* name; const folvex::TResString* linked; const char* text; } names[] = {
        {"_MSG_CANT_LOAD", &folvex::_MSG_CANT_LOAD, "Can't load"},
        {"_MSG_CANT_OPEN_FILE", &folvex::_MSG_CANT_OPEN_FILE, "Can't open file"},
        {"_MSG_FILE_NOT_FOUND", &folvex::_MSG_FILE_NOT_FOUND, "File not found"},
        {"_MSG_INTERNAL_ERROR", &folvex::_MSG_INTERNAL_ERROR, "Internal error"},
        {"_MSG_INVALID_WINDOWS_CALL", &folvex::_MSG_INVALID_WINDOWS_CALL, "Invalid Windows function call"},
        {"_MSG_PRINTER_NOT_FOUND", &folvex::_MSG_PRINTER_NOT_FOUND, "Printer not found"},
    };
    HMODULE package = GetModuleHandleA("Folvex.dll");
    ASSERT_NE(package, nullptr);
    for (const auto& n : names) {
        auto exported = reinterpret_cast<const folvex::TResString*>(GetProcAddress(package, n.name));
        ASSERT_NE(exported, nullptr) << n.name;
        EXPECT_EQ(exported, n.linked) << n.name;
        EXPECT_EQ(exported->Load(), n.text) << n.name;
    }
}

TEST(FolvexErrors, SetErrorRaisesTheFrameworkExceptionWithItsDetail) {
    const struct { std::string message, detail, text; } cases[] = {
        {folvex::_MSG_FILE_NOT_FOUND, "C:\\Docs\\a.pdf", "File not found\r\nC:\\Docs\\a.pdf"},
        {folvex::SReaderNotFound, "", "Adobe Reader not found"},
        {"", "detail", "\r\ndetail"},
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
    {
        ScopedEnv tmp("TMP", "C:\\OrvTest\\Temp\\");
        EXPECT_EQ(folvex::GetTempDir(), "c:\\orvtest\\temp\\");
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
