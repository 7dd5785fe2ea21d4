// TAcroPDF: Adobe Reader's newer PDF control hosted as a window control of
// the framework (a TOleControl), with early-bound calls through its dual
// interface IAcroAXDocShim.
#pragma once

#include <string>

#include "folvex/runtime/AcroPDFLib.h"
#include "folvex/runtime/FolvexApi.h"
#include "framework/ole/olectrls.h"

namespace folvex {

// The control is created with this control's window (class CLASS_AcroPDF);
// its events OnError (dispatch identifier 1) and OnMessage (2) run the
// fields of the same names.  Every typed method calls the interface entry of
// its name with the arguments as given; a failing HRESULT raises
// fw::EOleError carrying it.  The interface is asked for once, at first use.
class FOLVEX_API TAcroPDF : public fw::TOleControl {
    FW_CLASS(TAcroPDF)
public:
    explicit TAcroPDF(fw::TComponent* owner) : fw::TOleControl(owner) {}
    ~TAcroPDF() override;

    // Queries the control's automation object for IAcroAXDocShim, once
    // (fw::EIntfCastError when it has none); creates the control when needed.
    void CreateControl();
    // The interface (a reference of the caller's own).
    fw::ComPtr<IAcroAXDocShim> GetControlInterface();

    // The document (a path or URL), through dispatch identifier 1.
    std::wstring src();
    void Setsrc(const std::wstring& value);

    VARIANT_BOOL LoadFile(const std::wstring& fileName);
    void setShowToolbar(VARIANT_BOOL on);
    void gotoFirstPage();
    void gotoLastPage();
    void gotoNextPage();
    void gotoPreviousPage();
    void setCurrentPage(LONG page);
    void goForwardStack();
    void goBackwardStack();
    void setPageMode(const std::wstring& mode);
    void setLayoutMode(const std::wstring& mode);
    void setNamedDest(const std::wstring& destination);
    void Print();
    void printWithDialog();
    void setZoom(float percent);
    void setZoomScroll(float percent, float left, float top);
    void setView(const std::wstring& view);
    void setViewScroll(const std::wstring& view, float offset);
    void setViewRect(float left, float top, float width, float height);
    void printPages(LONG from, LONG to);
    void printPagesFit(LONG from, LONG to, VARIANT_BOOL shrinkToFit);
    void printAll();
    void printAllFit(VARIANT_BOOL shrinkToFit);
    void setShowScrollbars(VARIANT_BOOL on);
    fw::OleVariant GetVersions();
    void setCurrentHightlight(LONG a, LONG b, LONG c, LONG d);
    void setCurrentHighlight(LONG a, LONG b, LONG c, LONG d);
    void postMessage(const fw::OleVariant& message);

    // The property messageHandler.
    fw::OleVariant Get_messageHandler();
    void Set_messageHandler(const fw::OleVariant& value);

    fw::TNotifyEvent OnError;
    fw::TNotifyEvent OnMessage;

protected:
    void InitControlData(fw::TControlData& data) override;
    // The control goes: the cached interface goes with it, so that a new
    // window's control is asked afresh.
    void DisconnectObject() override;

private:
    fw::ComPtr<IAcroAXDocShim> intf_;
};

}  // namespace folvex
