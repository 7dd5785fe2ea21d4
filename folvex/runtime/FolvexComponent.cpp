#include "folvex/runtime/FolvexComponent.h"

#include <cctype>
#include <vector>

#include "folvex/runtime/FolvexMessages.h"
#include "folvex/runtime/PdfDisplayers.h"
#include "framework/registry.h"

namespace folvex {

namespace {

const char kContentTypeKey[] = "\\MIME\\Database\\Content Type\\application/pdf";

// The name of a "name=value" entry: the text before its first "="; an
// entry without one has the empty name.
std::string EntryName(const std::string& entry) {
    size_t eq = entry.find('=');
    return eq == std::string::npos ? std::string() : entry.substr(0, eq);
}

// The value of the first entry whose name is Name (ignoring case), or "".
std::string ValueOf(const fw::TStrings& list, const std::string& name) {
    for (const std::string& entry : list.Items()) {
        size_t eq = entry.find('=');
        if (eq != std::string::npos && fw::SameText(entry.substr(0, eq), name)) return entry.substr(eq + 1);
    }
    return {};
}

// A decimal integer, optionally signed, with leading blanks; false for
// anything else (an empty text included).
bool ParseInteger(const std::string& text, long long& out) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long n = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        if (n < 1000000) n = n * 10 + (text[i] - '0');  // beyond any version: kept from overflowing
    }
    out = negative ? -n : n;
    return true;
}

}  // namespace

FW_IMPLEMENT_CLASS(TFolvex, fw::TCustomPanel, [](fw::TClassBuilder<TFolvex>&) {})

TFolvex::TFolvex(fw::TComponent* owner) : fw::TCustomPanel(owner) {
    SetBevelInner(fw::bvNone);
    SetBevelOuter(fw::bvNone);
    SetBounds(left_, top_, 300, 300);
    // In the form designer only: the update check, 8 seconds from now.
    if (HasState(fw::csDesigning)) {
        liveUpdateTimer_ = new fw::TTimer(this);
        liveUpdateTimer_->SetInterval(8000);
        liveUpdateTimer_->SetOnTimer([this](fw::TObject* sender) { DoOnLiveUpdateTimer(sender); });
        liveUpdateTimer_->SetEnabled(true);
    }
}

TFolvex::~TFolvex() {
    // The displayer (and Reader's control, owned by this component) goes
    // while the component is still whole.
    FreeDisplayer();
}

bool TFolvex::Displaying() const { return Active() && Showing() && ComponentState() == 0; }

fw::OleVariant TFolvex::GetPdfObject() { return displayer_ ? displayer_->GetPdfObject() : fw::OleVariant(); }

std::string TFolvex::AdobeReaderProgID() {
    fw::TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    if (!reg.OpenKeyReadOnly(kContentTypeKey)) SetError(SReaderNotFound);
    std::string clsid = reg.ReadString("CLSID");
    if (!reg.OpenKeyReadOnly("\\CLSID\\" + clsid + "\\ProgID")) SetError(SReaderNotFound);
    return reg.ReadString("");
}

std::uint8_t TFolvex::GetAdobeReaderMajorVersion() {
    if (readerMajorVersion_ != 0) return readerMajorVersion_;
    std::string versions = GetPdfObject().Call("GetVersions").ToString();
    fw::TStringList list;
    SegmentStringToList(versions, ',', list);
    for (const std::string& entry : list.Items()) {
        long long major = 0;
        if (!ParseInteger(FirstHalf(ValueOf(list, EntryName(entry)), '.'), major)) continue;
        // A version beyond the cache's range counts as the highest it holds.
        if (major > readerMajorVersion_) readerMajorVersion_ = static_cast<std::uint8_t>(major > 255 ? 255 : major);
    }
    return readerMajorVersion_;
}

TPdfDisplayer* TFolvex::CreateDisplayer() {
    if (displayer_) return displayer_.get();
    std::string progID = AdobeReaderProgID();
    switch (TabIndex(FirstHalf(progID, '.'), {"PDF", "AcroPDF"})) {
        case 0: displayer_ = std::make_unique<TOldPdfDisplayer>(this); break;
        case 1: displayer_ = std::make_unique<TNewPdfDisplayer>(this); break;
        default: SetError(SReaderVersionNotSupported);
    }
    return displayer_.get();
}

void TFolvex::FreeDisplayer() {
    // The field is cleared before the displayer goes: meanwhile the
    // component no longer counts as open.
    displayer_.reset();
}

}  // namespace folvex
