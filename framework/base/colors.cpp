#include "framework/base/colors.h"

#include "framework/base/sysutils.h"

namespace fw {

COLORREF ColorToRGB(TColor c) {
    if (c < 0) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c);
}

namespace {
struct ColorName {
    TColor value;
    const char* name;
};
const ColorName kColors[] = {
    {clBlack, "clBlack"},         {clWhite, "clWhite"},   {clRed, "clRed"},
    {0x008000, "clGreen"},        {0x800000, "clNavy"},   {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},       {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"},
    {clWindowText, "clWindowText"}, {clBtnText, "clBtnText"},
};
}  // namespace

std::string ColorToString(TColor c) {
    for (const auto& k : kColors)
        if (k.value == c) return k.name;
    return IntToStr(c);
}

bool StringToColor(const std::string& s, TColor& out) {
    for (const auto& k : kColors)
        if (SameText(k.name, s)) {
            out = k.value;
            return true;
        }
    return false;
}

}  // namespace fw
