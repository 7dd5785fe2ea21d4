// TInspector: the property inspector.  One row per published property of
// the selected component: the name, the value (a text field for texts and
// numbers, a drop-down list for enumerations and booleans) and, for editors
// with paDialog, an ellipsis button that calls the editor's Edit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/design/designer/widgets.h"
#include "framework/design/designintf.h"

namespace orvd {

class TInspector : public TCustomPanel {
    FW_CLASS(TInspector)
public:
    explicit TInspector(TComponent* owner);
    ~TInspector() override;

    // Shows the properties of the designer's selection (rows made anew).
    void Inspect(IDesigner* designer);
    // Shows the values again (a property may change others).
    void Refresh();
    // Takes the text typed into field as the new value; true when the
    // field is one of the rows' (Enter pressed in it).
    bool CommitField(HWND field);
    // Takes the text of the field that has the focus, if it was changed
    // (before the selection changes).
    void CommitPending();
    int RowCount() const { return static_cast<int>(rows_.size()); }

private:
    struct Row {
        std::unique_ptr<TPropertyEditor> editor;
        TLabel* name = nullptr;
        TEditField* edit = nullptr;
        TDropList* list = nullptr;
        TButton* dots = nullptr;
        std::string shown;  // the value last shown
    };
    void Clear();
    void ShowValue(Row& r);
    void Commit(Row& r, const std::string& text);

    TLabel* title_ = nullptr;
    std::vector<std::unique_ptr<Row>> rows_;
    bool committing_ = false;
};

}  // namespace orvd
