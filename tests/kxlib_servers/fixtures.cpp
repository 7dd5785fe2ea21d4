#include "tests/kxlib_servers/fixtures.h"

#include <objbase.h>

#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace fx {

std::string FixturePath(const std::string& folder, const std::string& file) {
    std::string relative = ts::SelfFolder() + "..\\fixtures\\" + folder + "\\" + file;
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? std::string(full, n) : relative;
}

bool CopyFixture(const std::string& folder, const std::string& file, const std::string& target) {
    return CopyFileA(FixturePath(folder, file).c_str(), target.c_str(), FALSE) != 0;
}

std::string CallsOf(const std::string& serverPath) {
    std::string log = serverPath + ".calls";
    return ts::FileExists(log) ? ts::ReadTextFile(log) : std::string();
}

bool IsLoaded(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

bool OleInitialised() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_FALSE;
}

}  // namespace fx
