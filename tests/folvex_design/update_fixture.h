// What the update-check tests share: the key HKLM\Software\Orvanta\Folvex
// (saved, cleared for each case and restored afterwards) with its
// "UpdateServer" pointing at a loopback server, and the dates in the
// system's short date format.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/httpserver.h"
#include "tests/support/staging.h"

inline const char kFolvexKey[] = "Software\\Orvanta\\Folvex";

// Today moved by days, in the user's short date format.
inline std::string ShortDate(int days) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart += static_cast<long long>(days) * 864000000000LL;
    ft = {u.LowPart, u.HighPart};
    FileTimeToSystemTime(&ft, &t);
    char buf[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, buf, sizeof buf);
    return buf;
}

// The serial number of the Windows directory's volume, as the request's
// "location" carries it.
inline std::string WindowsVolumeSerial() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    std::string root = std::string(dir, 2) + "\\";
    DWORD serial = 0;
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return "0";
    long long v = static_cast<int>(serial);
    return std::to_string(v < 0 ? -v : v);
}

class UpdateKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ts::DeleteRegTree(HKEY_LOCAL_MACHINE, kFolvexKey);
        ASSERT_TRUE(server.Start()) << server.LastError();
        server.SetDefaultResponse(ts::HttpResponse(200, "<html><body>Folvex is up to date</body></html>"));
    }
    void TearDown() override {
        server.Stop();
        ts::DeleteRegTree(HKEY_LOCAL_MACHINE, kFolvexKey);
    }
    void PointAtServer() {
        ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "UpdateServer", server.Url("")));
    }
    std::string Stored() const { return ts::GetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate"); }
    bool KeyExists() const { return ts::RegKeyExists(HKEY_LOCAL_MACHINE, kFolvexKey); }

    ts::LoopbackHttpServer server;
};
