// A small ActiveX control that lives in the test process (its class is
// registered with CoRegisterClassObject, so CoCreateInstance finds it) and
// logs what its container does to it: the teardown calls in their order,
// the keys offered to its TranslateAccelerator, its extent, its release.
// Its window is a Unicode edit field.  Members by dispatch identifier:
// 1 "Caption" (a property), 2 "Fire" (raises the event whose dispatch
// identifier is its argument, with the argument 7 for event 11).
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "framework/base/com.h"

namespace tc {

// {6F3C1E52-7A0B-4C1D-9E55-3B2A1C0D9E01} and its event interface.
extern const CLSID CLSID_TestControl;
extern const IID DIID_TestControlEvents;

struct ControlLog {
    std::vector<std::string> calls;  // SetClientSite, InitNew, ..., Released
    std::vector<UINT> keys;          // WM_KEYDOWN virtual keys offered, in order
    SIZEL extent{0, 0};              // the last SetExtent, HIMETRIC
    HWND window = nullptr;           // the control's edit field while in place
    int alive = 0;                   // controls not yet released
};
ControlLog& Log();

// Registers the control's class for this process while it lives.
class Registration {
public:
    Registration();
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    DWORD cookie_ = 0;
};

}  // namespace tc
