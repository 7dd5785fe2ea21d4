// The unit FolvexReg: puts TFolvex on the designer's palette page "Orvanta"
// (Register) with two property editors: TAboutProperty (the about box) and
// TFileNameProperty (a PDF file picker); TLinkLabel is the about box's web
// address, opened by the shell when clicked.
#pragma once

#include "framework/design/designintf.h"
#include "framework/ui/stdctrls.h"

namespace folvex {

// "About": the ellipsis shows the about box of the first selected TFolvex.
class TAboutProperty : public fw::TStringProperty {
public:
    using fw::TStringProperty::TStringProperty;
    fw::TPropertyAttributes GetAttributes() override { return fw::paDialog; }
    void Edit() override;
};

// "FileName": the ellipsis asks for a PDF file in the save-form dialog and
// gives it to the first selected TFolvex.
class TFileNameProperty : public fw::TStringProperty {
public:
    using fw::TStringProperty::TStringProperty;
    fw::TPropertyAttributes GetAttributes() override { return fw::paDialog; }
    void Edit() override;
};

// A label whose caption is a web address: a click, after the label's own
// click handling, asks the shell to open it.
class TLinkLabel : public fw::TLabel {
    FW_CLASS(TLinkLabel)
public:
    explicit TLinkLabel(fw::TComponent* owner) : fw::TLabel(owner) {}
    void Click() override;
};

}  // namespace folvex

// Called once by the designer after loading the package.
extern "C" __declspec(dllexport) void Register();
