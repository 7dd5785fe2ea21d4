#include "tests/support/readerdouble.h"

#include <cstdio>

#include "tests/fixtures/readerdouble/readerdouble.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace ts {

std::string ReaderDouble::DllPath() {
    std::string relative = SelfFolder() + "..\\fixtures\\readerdouble\\ReaderDouble.dll";
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? std::string(full, n) : relative;
}

ReaderDouble::ReaderDouble(const std::string& generation, const std::string& versions,
                           const std::string& logPath)
    : module_(LoadLibraryA(DllPath().c_str())), log_(logPath) {
    DeleteFileA(log_.c_str());
    auto reg = module_ ? reinterpret_cast<rdbl::RegisterDoubleFn>(
                             reinterpret_cast<void*>(GetProcAddress(module_.get(), "RegisterDouble")))
                       : nullptr;
    hr_ = reg ? reg(generation.c_str(), versions.c_str(), log_.c_str())
              : HRESULT_FROM_WIN32(GetLastError());
}

ReaderDouble::~ReaderDouble() {
    if (!module_) return;
    auto unreg = reinterpret_cast<rdbl::UnregisterDoubleFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "UnregisterDouble")));
    if (unreg) unreg();
}

std::vector<std::string> ReaderDouble::LogLines() const {
    std::vector<std::string> lines;
    std::string text = FileExists(log_) ? ReadTextFile(log_) : std::string();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

void ReaderDouble::ClearLog() const { DeleteFileA(log_.c_str()); }

void ReaderDouble::FailMember(const std::string& member) const {
    SetRegString(HKEY_CURRENT_USER, rdbl::kSettingsKey, "Fail", member);
}

bool WriteSamplePdf(const std::string& path, int pages) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (int i = 0; i < pages; ++i)
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010lu 00000 n \n", static_cast<unsigned long>(off));
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return WriteTextFile(path, pdf);
}

}  // namespace ts
