#include "folvex/runtime/FolvexRoutines.h"

#include <windows.h>
#include <wininet.h>

#include <climits>
#include <cstdint>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "framework/ui/application.h"

namespace folvex {

extern "C" {
const TResString _MSG_CANT_LOAD{FOLVEX_IDS_CANT_LOAD};
const TResString _MSG_CANT_OPEN_FILE{FOLVEX_IDS_CANT_OPEN_FILE};
const TResString _MSG_FILE_NOT_FOUND{FOLVEX_IDS_FILE_NOT_FOUND};
const TResString _MSG_INTERNAL_ERROR{FOLVEX_IDS_INTERNAL_ERROR};
const TResString _MSG_INVALID_WINDOWS_CALL{FOLVEX_IDS_INVALID_WINDOWS_CALL};
const TResString _MSG_PRINTER_NOT_FOUND{FOLVEX_IDS_PRINTER_NOT_FOUND};
}

namespace {

// The module this code lives in (Folvex.dll), found from the address of one
// of its own objects, so that no entry point has to record it.
HMODULE PackageModule() {
    static const char anchor = 0;
    static const HMODULE module = [] {
        HMODULE m = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           &anchor, &m);
        return m;
    }();
    return module;
}

std::string ErrorText(const std::string& message, const std::string& detail) {
    return detail.empty() ? message : message + "\r\n" + detail;
}

std::string LowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool StartsWithNoCase(const std::string& text, const std::string& upperPrefix) {
    return fw::UpperCase(text.substr(0, upperPrefix.size())) == upperPrefix;
}

// The drive part of a path: "C:" or "\\server\share"; empty for a relative path.
std::string ExtractFileDrive(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path;
        return path.substr(0, path.find('\\', server + 1));
    }
    return {};
}

// The extension a downloaded file gets: that of the last segment of the
// URL's path (the part after the host, before any "?" or "#"), when it is a
// dot followed by 1 to 8 letters or digits.  Anything else (a query string,
// a dot in a folder or host name, characters that file names cannot hold)
// gives no extension.
std::string UrlExtension(const std::string& url) {
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find_first_of("?#", start);
    if (end == std::string::npos) end = url.size();
    size_t pathStart = url.find('/', start);
    if (pathStart == std::string::npos || pathStart >= end) return {};
    std::string path = url.substr(pathStart, end - pathStart);
    std::string segment = path.substr(path.find_last_of("/\\:") + 1);
    size_t dot = segment.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = segment.substr(dot);
    if (ext.size() < 2 || ext.size() > 9) return {};
    for (size_t i = 1; i < ext.size(); ++i)
        if (!IsAsciiAlnum(ext[i])) return {};
    return ext;
}

struct InternetTraits {
    static HINTERNET none() { return nullptr; }
    static bool invalid(HINTERNET h) { return h == nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = fw::UniqueHandle<HINTERNET, InternetTraits>;

// How many names "Download<n>" are tried before the temporary folder counts
// as one where no file can be made (read-only, missing, full).
constexpr int kMaxNameAttempts = 10000;
constexpr DWORD kReadChunk = 10000;

}  // namespace

std::string TResString::Load() const {
    char buf[1024];
    int n = LoadStringA(PackageModule(), identifier_, buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void SetError(const std::string& message, const std::string& detail) {
    throw fw::Exception(ErrorText(message, detail));
}

void MsgError(const std::string& message, const std::string& detail) {
    MessageBoxA(nullptr, ErrorText(message, detail).c_str(), "Error", MB_OK | MB_ICONERROR);
}

bool IsUrl(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::string scheme = fw::UpperCase(text.substr(0, colon));
    return scheme == "HTTP" || scheme == "HTTPS" || scheme == "FTP" || scheme == "MAILTO";
}

std::string FirstHalf(const std::string& text, char separator) {
    return text.substr(0, text.find(separator));
}

int TabIndex(const std::string& text, const std::vector<std::string>& items) {
    for (size_t i = 0; i < items.size(); ++i)
        if (fw::SameText(items[i], text)) return static_cast<int>(i);
    return -1;
}

void SegmentStringToList(const std::string& text, char separator, fw::TStrings& list) {
    list.Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t sep = text.find(separator, pos);
        if (sep == std::string::npos) sep = text.size();
        list.Add(text.substr(pos, sep - pos));
        pos = sep + 1;
    }
}

std::string Replace(const std::string& search, const std::string& replacement,
                    const std::string& text) {
    if (search.empty()) return text;
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = text.find(search, pos)) != std::string::npos; pos = hit + search.size())
        out.append(text, pos, hit - pos).append(replacement);
    return out.append(text, pos);
}

std::string ReplaceChars(const std::string& characters, const std::string& replacements,
                         const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        size_t p = characters.find(c);
        if (p != std::string::npos && p < replacements.size()) c = replacements[p];
    }
    return out;
}

std::string WithEndSlash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + "\\";
}

std::string ExtractFilePrefix(const std::string& path) {
    std::string name = path.substr(path.find_last_of("\\:") + 1);
    return name.substr(0, name.find('.'));
}

int Inf(int a, int b) { return b < a ? b : a; }

std::string GetTempDir() {
    char buf[256];
    DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) return {};  // failed, or longer than the buffer
    return LowerCase(WithEndSlash(std::string(buf, n)));
}

std::string GetWindowsDir() {
    char buf[150];
    UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return std::string(buf, n);
}

int GetFileLocation(const std::string& path) {
    std::string root = WithEndSlash(ExtractFileDrive(path));
    char volumeName[255];
    char fileSystem[255];
    DWORD serial = 0, maxComponent = 0, flags = 0;
    if (!GetVolumeInformationA(root.c_str(), volumeName, sizeof volumeName, &serial,
                               &maxComponent, &flags, fileSystem, sizeof fileSystem))
        return 0;
    auto value = static_cast<std::int64_t>(static_cast<std::int32_t>(serial));
    if (value < 0) value = -value;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string GetWindowsLastError() {
    DWORD code = GetLastError();  // first, before anything can change it
    char buf[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, 255, nullptr);
    return Replace("\r\n", "", "[Windows: " + std::string(buf, n) + "]");
}

std::string DownloadToTempFile(const std::string& url, fw::TStrings* list) {
    if (!StartsWithNoCase(url, "HTTP://") && !StartsWithNoCase(url, "HTTPS://") &&
        !StartsWithNoCase(url, "FTP://"))
        SetError(_MSG_FILE_NOT_FOUND, url);

    DWORD attempt = InternetAttemptConnect(0);
    if (attempt != ERROR_SUCCESS)
        SetError(_MSG_INVALID_WINDOWS_CALL, "InternetAttemptConnect Error #" + fw::IntToStr(attempt));

    // Declared in this order, the URL handle is closed before the root handle.
    UniqueInternet root(InternetOpenA(fw::Application.Title().c_str(),
                                      INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root) SetError(_MSG_INVALID_WINDOWS_CALL, "InternetOpen");
    UniqueInternet source(InternetOpenUrlA(root.get(), url.c_str(), nullptr, 0, 0, 0));
    if (!source) SetError(_MSG_INVALID_WINDOWS_CALL, "InternetOpenURL");

    // A server's error page is not the document asked for.
    if (StartsWithNoCase(url, "HTTP")) {
        DWORD status = 0, size = sizeof status;
        if (HttpQueryInfoA(source.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                           &size, nullptr) &&
            status >= 400)
            SetError(_MSG_FILE_NOT_FOUND, url);
    }

    // The first name of the form Download<n><extension> that no file or
    // folder has; creating it with CREATE_NEW both tests and claims it.
    const std::string dir = GetTempDir();
    const std::string ext = UrlExtension(url);
    std::string name;
    fw::UniqueFile file;
    for (int n = 1; n <= kMaxNameAttempts && !file; ++n) {
        name = dir + "Download" + fw::IntToStr(n) + ext;
        file.reset(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!file) SetError(_MSG_FILE_NOT_FOUND, url);

    // From here on a failure closes the file and removes it.
    auto discard = [&](const TResString& message, const std::string& detail) {
        file.reset();
        DeleteFileA(name.c_str());
        SetError(message, detail);
    };

    std::vector<char> buf(kReadChunk);
    unsigned long long total = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(source.get(), buf.data(), kReadChunk, &got))
            discard(_MSG_INVALID_WINDOWS_CALL, "InternetReadFile");
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(file.get(), buf.data(), got, &written, nullptr) || written != got)
            discard(_MSG_INVALID_WINDOWS_CALL, "WriteFile " + name);
        total += got;
    }
    source.reset();
    root.reset();
    if (total == 0) discard(_MSG_FILE_NOT_FOUND, url);
    file.reset();
    if (list) list->Add(name);
    return name;
}

}  // namespace folvex
