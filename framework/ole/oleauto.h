// OleVariant: an automation value on which code calls members by name (late
// binding), and InvokeDispatch, the one Invoke that all late-bound calls of
// the framework go through.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/base/com.h"

namespace fw {

class OleVariant;

// Calls member dispid of disp with args (in the order of the member's
// declaration; they travel reversed in DISPPARAMS).  flags: DISPATCH_METHOD,
// DISPATCH_PROPERTYGET and/or DISPATCH_PROPERTYPUT (a put passes its one
// argument as the named DISPID_PROPERTYPUT and returns an empty value).
// Every argument and result is cleared on every path.  A failure raises
// EOleException when the object reported an exception (its HRESULT, source
// and description from EXCEPINFO), EOleError otherwise; name is the
// member's name in the message.
OleVariant InvokeDispatch(IDispatch* disp, DISPID dispid, WORD flags, const std::vector<OleVariant>& args,
                          const std::string& name);

// The dispatch identifier of a member by name; raises EOleError
// (DISP_E_UNKNOWNNAME, naming the member) when the object has none.
DISPID GetDispId(IDispatch* disp, const std::string& name);

// A Variant on which members are called by name when it holds an object:
//     OleVariant pdf = host.OleObject();
//     pdf.Set("Src", fileName);
//     pdf.Call("SetZoomScroll", 150, 0, 0);
//     std::string versions = pdf.Call("GetVersions").ToString();
// Integers travel as VT_I4, booleans as VT_BOOL (true = all bits set),
// strings as BSTRs.
class OleVariant : public Variant {
public:
    using Variant::Variant;
    OleVariant() noexcept = default;
    OleVariant(const Variant& v) : Variant(v) {}
    OleVariant(Variant&& v) noexcept : Variant(std::move(v)) {}
    OleVariant(const ComPtr<IDispatch>& d) noexcept : Variant(d.get()) {}

    // A method call (a property get with arguments works too).
    template <typename... A>
    OleVariant Call(const std::string& name, A&&... args) const {
        return Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {OleVariant(std::forward<A>(args))...});
    }
    // A property get, with index arguments when the property has them.
    template <typename... A>
    OleVariant Get(const std::string& name, A&&... args) const {
        return Invoke(name, DISPATCH_PROPERTYGET, {OleVariant(std::forward<A>(args))...});
    }
    // A property put.
    void Set(const std::string& name, const OleVariant& value) const;

    // The call by name with the flags given.  Raises EOleError when the
    // value holds no object.
    OleVariant Invoke(const std::string& name, WORD flags, const std::vector<OleVariant>& args) const;
};

// A new automation object of the class progID ("Scripting.Dictionary").
OleVariant CreateOleObject(const std::string& progID);

}  // namespace fw
