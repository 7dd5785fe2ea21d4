// TOleContainer: a windowed control that embeds a generic OLE object,
// created by program identifier, in its storage and in place.
#pragma once

#include "framework/ole/olectrls.h"

namespace fw {

// How the object's area follows the container: smAutoSize sizes the
// container to the object's own extent; the others keep the container's size
// (the object fills it).
enum TSizeMode { smClip, smCenter, smScale, smStretch, smAutoSize };

class TOleContainer : public TOleHost {
    FW_CLASS(TOleContainer)
public:
    explicit TOleContainer(TComponent* owner);
    ~TOleContainer() override;

    // Creates the object of the class progID (displayed as content, never as
    // an icon) in a new storage; the object is then loaded.  Any object
    // already embedded goes first.
    void CreateObject(const std::string& progID, bool iconic = false);
    // Puts the object into the running state.
    void Run();
    // Runs a verb: OLEIVERB_SHOW (-1) shows the object in place.
    void DoVerb(int verb);
    // Closes the object (it stays loaded); the in-place session ends.
    void Close();
    // The object's automation interface as a late-bound value; raises
    // EOleError when the object has none.
    OleVariant OleObject();

    TSizeMode SizeMode() const { return sizeMode_; }
    void SetSizeMode(TSizeMode m);

    void DestroyObject() override;

protected:
    void ObjectPosChanged(const RECT& requested) override;

private:
    // Sizes the container to the object's extent (smAutoSize).
    void AutoSize();
    ComPtr<ILockBytes> lockBytes_;
    ComPtr<IStorage> storage_;
    TSizeMode sizeMode_ = smClip;
};

}  // namespace fw
