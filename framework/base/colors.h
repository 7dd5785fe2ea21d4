// TColor (an RGB value or a system colour), the colour constants, and the
// colour names that form resources and the designer's inspector write and
// read for colour-valued integer properties (TPropInfo::ColorValue).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace fw {

// Colours: an RGB value, or a system colour (0x80000000 | COLOR_...).
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBtnFace = static_cast<TColor>(0x80000000u | COLOR_BTNFACE);
constexpr TColor clWindow = static_cast<TColor>(0x80000000u | COLOR_WINDOW);
constexpr TColor clWindowText = static_cast<TColor>(0x80000000u | COLOR_WINDOWTEXT);
constexpr TColor clBtnText = static_cast<TColor>(0x80000000u | COLOR_BTNTEXT);
// The RGB value of a colour; a system colour as the system has it now.
COLORREF ColorToRGB(TColor c);
// "clBtnFace", "clWindow", ... or a number; and back.
std::string ColorToString(TColor c);
bool StringToColor(const std::string& s, TColor& out);

}  // namespace fw
