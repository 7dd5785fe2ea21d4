// Form resources: the text format of a form and its components, read into a
// root component and written back from live components; resources found in
// the program and in the modules registered here.
//
// The format (the classic text form file):
//     object MainForm: TMainForm
//       Left = 10                         integer
//       Caption = 'It''s'#13#10'next'     string: quoted pieces and #nnn codes
//       Color = clBtnFace                 identifier: enumeration, boolean,
//       Align = alTop                       colour, handler method, reference
//       Anchors = [akLeft, akTop]         set
//       Items.Strings = (                 list of strings
//         'one'
//         'two')
//       OnClick = btOkClick               handler bound by method name
//       object btOk: TButton              a child, in creation order
//         ...
//       end
//     end
// A string property's #nnn is a byte of the ANSI code page; a wide string's
// is a UTF-16 code unit.
#pragma once

#include <windows.h>

#include <string>

#include "framework/base/classes.h"

namespace fw {

class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// Reads the text into root: root's own properties, then its components,
// created through the class registry with root as owner, named, parented
// and set in the text's order.  Handlers are looked up among root's methods
// (BindMethod); component references are fixed up after the whole text is
// read.  Every read component gets Loaded, root last.  EReadError on any
// fault, naming the line.
void ReadComponentText(const std::string& text, TComponent* root);

// The text of the RCDATA resource of that name, looked for in the modules
// registered (last first) and then in the program.  EResNotFound when none.
std::string ReadResourceText(const std::string& name);
void ReadComponentRes(const std::string& name, TComponent* root);
// A module (a package DLL) whose form resources are found as the program's.
void RegisterResourceModule(HMODULE module);
void UnregisterResourceModule(HMODULE module);

// Writes root and the components it owns in the same format: only stored
// properties whose value differs from their default (those without a
// default always).
std::string WriteComponentText(TComponent* root);

}  // namespace fw
