// OrvProbes.dll: the designer tests' component package.  TProbe is a panel
// that shows whether it was designing from the start of its constructor and,
// when it was, starts a timer there that marks its caption once (as a
// design-time check would); it has a string property Note with a dialog
// editor, an enumeration Shape and an integer Limit whose setter refuses
// values outside 0..100.
#include <windows.h>

#include "framework/design/designintf.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"

using namespace fw;

namespace {

enum TProbeShape { psSquare, psRound, psStar };

class TProbe : public TCustomPanel {
    FW_CLASS(TProbe)
public:
    explicit TProbe(TComponent* owner) : TCustomPanel(owner) {
        width_ = 220;
        height_ = 50;
        designingAtStart_ = HasState(csDesigning);
        if (designingAtStart_) {
            timer_ = new TTimer(this);
            timer_->SetInterval(700);
            timer_->SetOnTimer([this](TObject*) {
                timerRan_ = true;
                TTimer* t = timer_;
                timer_ = nullptr;
                t->Free();  // once per component
                ShowState();
            });
        }
        ShowState();
    }

    const std::string& Note() const { return note_; }
    void SetNote(const std::string& n) { note_ = n; }
    TProbeShape Shape() const { return shape_; }
    void SetShape(TProbeShape s) { shape_ = s; }
    int Limit() const { return limit_; }
    void SetLimit(int v) {
        if (v < 0 || v > 100) throw Exception("Limit must lie between 0 and 100");
        limit_ = v;
    }

private:
    void ShowState() {
        SetCaption(std::string(designingAtStart_ ? "designing from the start" : "not designing") +
                   (timerRan_ ? ", timer ran" : ""));
    }
    std::string note_;
    TProbeShape shape_ = psSquare;
    int limit_ = 10;
    bool designingAtStart_ = false;
    bool timerRan_ = false;
    TTimer* timer_ = nullptr;
};

FW_IMPLEMENT_CLASS(TProbe, TCustomPanel, [](TClassBuilder<TProbe>& b) {
    b.Publish({"Left", "Top", "Width", "Height"});
    b.Integer("Limit", &TProbe::Limit, &TProbe::SetLimit, 10);
    b.String("Note", &TProbe::Note, &TProbe::SetNote, "");
    b.Enum("Shape", {"psSquare", "psRound", "psStar"}, &TProbe::Shape, &TProbe::SetShape, psSquare);
})

// The Note editor: the text stays editable in place; the ellipsis asks
// whether to set the first selected probe's note, and only a changed note
// tells the designer that the form changed.
class TNoteProperty : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
    TPropertyAttributes GetAttributes() override { return paDialog; }
    void Edit() override {
        TComponent* c = GetComponent(0);
        auto* probe = dynamic_cast<TProbe*>(c);
        if (!probe) throw Exception("Invalid class typecast");
        int answer = Application.MessageBox("Set the note of " + c->Name() + "?", "Probe note", MB_YESNO);
        if (answer != IDYES) return;
        probe->SetNote("noted by the dialog of " + c->Name());
        Modified();
    }
};

}  // namespace

extern "C" __declspec(dllexport) void Register() {
    RegisterComponents("Probes", {&TProbe::StaticClass()});
    RegisterPropertyEditor(TPropKind::String, &TProbe::StaticClass(), "Note", PropertyEditorClass<TNoteProperty>());
}
