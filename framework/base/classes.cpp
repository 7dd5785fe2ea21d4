#include "framework/base/classes.h"

#include <algorithm>
#include <cctype>

namespace fw {

// --- TStringList ------------------------------------------------------------

const std::string& TStringList::operator[](int i) const {
    if (i < 0 || i >= Count()) throw Exception("List index out of bounds (" + IntToStr(i) + ")");
    return items_[static_cast<size_t>(i)];
}

void TStringList::Put(int i, const std::string& s) {
    (void)(*this)[i];
    items_[static_cast<size_t>(i)] = s;
    Changed();
}

int TStringList::Add(const std::string& s) {
    items_.push_back(s);
    Changed();
    return Count() - 1;
}

void TStringList::Insert(int i, const std::string& s) {
    if (i < 0 || i > Count()) throw Exception("List index out of bounds (" + IntToStr(i) + ")");
    items_.insert(items_.begin() + i, s);
    Changed();
}

void TStringList::Delete(int i) {
    (void)(*this)[i];
    items_.erase(items_.begin() + i);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

int TStringList::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(items_[static_cast<size_t>(i)], s)) return i;
    return -1;
}

void TStringList::Assign(const std::vector<std::string>& items) {
    items_ = items;
    Changed();
}

std::string TStringList::Text() const {
    std::string t;
    for (const auto& s : items_) t += s + "\r\n";
    return t;
}

// --- TPropInfo ---------------------------------------------------------------

bool TPropInfo::IsDefault(const TComponent* c) const {
    switch (Kind) {
        case TPropKind::String:
            return HasDefault && GetStr(c) == DefaultStr;
        case TPropKind::WideString:
            return HasDefault && GetWStr(c).empty() && DefaultStr.empty();
        case TPropKind::Integer:
        case TPropKind::Boolean:
        case TPropKind::Enumeration:
        case TPropKind::Set:
            return HasDefault && GetOrd(c) == DefaultOrd;
        case TPropKind::Event:
            return GetMethod(c).Name.empty();
        case TPropKind::Component:
            return GetComp(c) == nullptr;
        case TPropKind::Strings:
            return GetList(c).empty();
    }
    return false;
}

long long TPropInfo::OrdOfName(const std::string& name) const {
    for (size_t i = 0; i < Names.size(); ++i)
        if (SameText(Names[i], name)) return static_cast<long long>(i);
    throw EReadError("Invalid property value " + name + " for " + Name);
}

std::string TPropInfo::NameOfOrd(long long v) const {
    if (v >= 0 && static_cast<size_t>(v) < Names.size()) return Names[static_cast<size_t>(v)];
    return IntToStr(v);
}

std::string TPropInfo::SetToText(long long v) const {
    std::string s = "[";
    for (size_t i = 0; i < Names.size(); ++i)
        if (v & (1LL << i)) {
            if (s.size() > 1) s += ", ";
            s += Names[i];
        }
    return s + "]";
}

// --- TMetaClass ---------------------------------------------------------------

TMetaClass::TMetaClass(std::string name, const TMetaClass* parent, TComponentFactory factory)
    : name_(std::move(name)), parent_(parent), factory_(std::move(factory)) {}

bool TMetaClass::InheritsFrom(const TMetaClass& other) const {
    for (const TMetaClass* c = this; c; c = c->parent_)
        if (c == &other) return true;
    return false;
}

TComponent* TMetaClass::Create(TComponent* owner) const {
    if (!factory_) throw EComponentError("Cannot create an instance of class " + name_);
    return factory_(owner);
}

std::vector<const TPropInfo*> TMetaClass::Properties() const {
    std::vector<const TPropInfo*> out;
    if (parent_) out = parent_->Properties();
    for (const TPropInfo* p : published_) {
        // A re-declared name replaces the ancestor's entry in place.
        auto same = std::find_if(out.begin(), out.end(),
                                 [&](const TPropInfo* q) { return SameText(q->Name, p->Name); });
        if (same != out.end()) *same = p;
        else out.push_back(p);
    }
    return out;
}

const TPropInfo* TMetaClass::FindProperty(const std::string& name) const {
    for (const TMetaClass* c = this; c; c = c->parent_)
        for (const TPropInfo* p : c->published_)
            if (SameText(p->Name, name)) return p;
    return nullptr;
}

const TPropInfo* TMetaClass::FindDeclared(const std::string& name) const {
    for (const TMetaClass* c = this; c; c = c->parent_)
        for (const auto& p : c->declared_)
            if (SameText(p->Name, name)) return p.get();
    return nullptr;
}

TPropInfo& TMetaClass::Declare(TPropInfo p, bool publish) {
    declared_.push_back(std::make_unique<TPropInfo>(std::move(p)));
    if (publish) {
        // A re-declaration (another default, say) replaces the entry published so far.
        const TPropInfo* np = declared_.back().get();
        auto same = std::find_if(published_.begin(), published_.end(),
                                 [&](const TPropInfo* q) { return SameText(q->Name, np->Name); });
        if (same != published_.end()) *same = np;
        else published_.push_back(np);
    }
    return *declared_.back();
}

void TMetaClass::Publish(const std::string& name) {
    const TPropInfo* p = parent_ ? parent_->FindDeclared(name) : nullptr;
    if (!p) throw EComponentError(name_ + ": no property " + name + " to publish");
    // A property this class re-declared stays as declared.
    for (const TPropInfo* q : published_)
        if (SameText(q->Name, name)) return;
    published_.push_back(p);
}

// --- TComponent ---------------------------------------------------------------

namespace {
bool IsIdent(const std::string& s) {
    if (s.empty()) return false;
    auto ok0 = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
    if (!ok0(static_cast<unsigned char>(s[0]))) return false;
    for (unsigned char c : s)
        if (!ok0(c) && !std::isdigit(c)) return false;
    return true;
}
}  // namespace

const TMetaClass& TComponent::StaticClass() {
    static const TMetaClass* mc = MakeClass<TComponent>("TComponent", nullptr, [](TClassBuilder<TComponent>& b) {
        // The name is the "object Name: TClass" header, never a property line.
        b.String("Name", &TComponent::Name, &TComponent::SetName).IsStored = [](const TComponent*) {
            return false;
        };
        b.Integer("Tag", &TComponent::Tag, [](TComponent* c, long long v) {
            c->SetTag(static_cast<std::int32_t>(v));
        }, 0);
    }).release();
    return *mc;
}

TComponent::TComponent(TComponent* owner) {
    // The designing state comes from the owner before any derived
    // constructor runs, so a component's constructor can decide on it.
    if (owner) {
        if (owner->HasState(csDesigning)) state_ |= csDesigning;
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Tell those who asked that this one goes, and forget them.
    auto notifies = std::move(freeNotifies_);
    freeNotifies_.clear();
    for (TComponent* c : notifies) {
        c->RemoveFreeNotification(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
    if (!HasState(csDestroying)) BeforeDestruction();
    delete this;
}

void TComponent::BeforeDestruction() {
    state_ |= csDestroying;
    // Owned components learn it first, while this one is still whole.
    for (TComponent* c : components_)
        if (!c->HasState(csDestroying)) c->BeforeDestruction();
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsIdent(name)) throw EComponentError("\"" + name + "\" is not a valid component name");
    if (!name.empty() && owner_) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this) throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
    if (c->owner_) c->owner_->RemoveComponent(c);
    if (!c->name_.empty() && FindComponent(c->name_))
        throw EComponentError("A component named " + c->name_ + " already exists");
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    Notification(c, opRemove);
    // Notification may have changed the list: look again.
    it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end()) components_.erase(it);
    c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    // Last created first; each removes itself from the list as it goes.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        c->Free();
        if (!components_.empty() && components_.back() == c) components_.pop_back();
    }
}

void TComponent::SetDesigning(bool on, bool inclOwned) {
    SetStateFlags(csDesigning, on);
    if (inclOwned)
        for (TComponent* c : components_) c->SetDesigning(on, true);
}

void TComponent::SetStateFlags(unsigned flags, bool on) {
    if (on) state_ |= flags;
    else state_ &= ~flags;
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end())
        freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), c), freeNotifies_.end());
}

void TComponent::Notification(TComponent* c, TOperation op) {
    // Owned components hear of removals among their siblings, as an owner's
    // reference-holding children need to.
    if (op == opRemove && c && c != this)
        for (TComponent* o : components_)
            if (o != c) o->Notification(c, op);
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) const {}

void TComponent::Loaded() { SetStateFlags(csLoading, false); }

void TComponent::AddMethod(const std::string& name, std::any code) {
    for (auto& m : methods_)
        if (SameText(m.first, name)) {
            m.second = std::move(code);
            return;
        }
    methods_.emplace_back(name, std::move(code));
}

const std::any* TComponent::FindMethod(const std::string& name) const {
    for (const auto& m : methods_)
        if (SameText(m.first, name)) return &m.second;
    return nullptr;
}

// --- class registry -----------------------------------------------------------

namespace {
struct ClassRegistry {
    std::vector<const TMetaClass*> classes;
    std::vector<TClassGetter> pending;  // noted by TClassRegistration, not yet entered
};

// Never freed, as the class information it points to.
ClassRegistry& Registry() {
    static auto* r = new ClassRegistry;
    return *r;
}

void Enter(const TMetaClass& mc) {
    auto& r = Registry().classes;
    for (const TMetaClass* c : r) {
        if (c == &mc) return;
        if (SameText(c->ClassName(), mc.ClassName()))
            throw EComponentError("A class named " + mc.ClassName() + " already exists");
    }
    r.push_back(&mc);
}

// Enters the classes the units noted, in the order noted.
void EnterPending() {
    auto& r = Registry();
    while (!r.pending.empty()) {
        std::vector<TClassGetter> getters;
        getters.swap(r.pending);
        for (TClassGetter g : getters) {
            try {
                Enter(g());
            } catch (const EComponentError&) {
                // The name is taken: the first class keeps it.
            }
        }
    }
}
}  // namespace

TClassRegistration::TClassRegistration(std::initializer_list<TClassGetter> classes) noexcept {
    try {
        auto& pending = Registry().pending;
        pending.insert(pending.end(), classes.begin(), classes.end());
    } catch (...) {
        // Out of memory while the module loads: its classes stay unknown.
    }
}

void RegisterClass(const TMetaClass& mc) {
    EnterPending();
    Enter(mc);
}

void RegisterClasses(std::initializer_list<const TMetaClass*> classes) {
    for (const TMetaClass* c : classes) RegisterClass(*c);
}

const TMetaClass* GetClass(const std::string& name) {
    EnterPending();
    for (const TMetaClass* c : Registry().classes)
        if (SameText(c->ClassName(), name)) return c;
    return nullptr;
}

const TMetaClass& FindClass(const std::string& name) {
    const TMetaClass* c = GetClass(name);
    if (!c) throw EReadError("Class " + name + " not found");
    return *c;
}

// --- typed access ---------------------------------------------------------------

const TPropInfo* FindProperty(const TComponent* c, const std::string& name) {
    return c ? c->ClassType().FindProperty(name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(const TComponent* c) { return c->ClassType().Properties(); }

namespace {
const TPropInfo& Need(const TComponent* c, const std::string& name) {
    const TPropInfo* p = FindProperty(c, name);
    if (!p) throw EReadError("Property " + name + " does not exist");
    return *p;
}
bool IsOrd(const TPropInfo& p) {
    return p.Kind == TPropKind::Integer || p.Kind == TPropKind::Boolean ||
           p.Kind == TPropKind::Enumeration || p.Kind == TPropKind::Set;
}
long long TextToSet(const TPropInfo& p, const std::string& text) {
    long long v = 0;
    std::string t = text;
    if (!t.empty() && t.front() == '[') t.erase(0, 1);
    if (!t.empty() && t.back() == ']') t.pop_back();
    std::string item;
    auto flush = [&] {
        std::string n;
        for (char ch : item)
            if (ch != ' ') n += ch;
        if (!n.empty()) v |= 1LL << p.OrdOfName(n);
        item.clear();
    };
    for (char ch : t) {
        if (ch == ',') flush();
        else item += ch;
    }
    flush();
    return v;
}
}  // namespace

std::string GetStrProp(const TComponent* c, const std::string& name) {
    const TPropInfo& p = Need(c, name);
    if (p.Kind != TPropKind::String) throw EReadError("Property " + name + " is not a string");
    return p.GetStr(c);
}

void SetStrProp(TComponent* c, const std::string& name, const std::string& v) {
    const TPropInfo& p = Need(c, name);
    if (p.Kind != TPropKind::String) throw EReadError("Property " + name + " is not a string");
    p.SetStr(c, v);
}

long long GetOrdProp(const TComponent* c, const std::string& name) {
    const TPropInfo& p = Need(c, name);
    if (!IsOrd(p)) throw EReadError("Property " + name + " is not ordinal");
    return p.GetOrd(c);
}

void SetOrdProp(TComponent* c, const std::string& name, long long v) {
    const TPropInfo& p = Need(c, name);
    if (!IsOrd(p)) throw EReadError("Property " + name + " is not ordinal");
    p.SetOrd(c, v);
}

std::string GetEnumProp(const TComponent* c, const std::string& name) {
    const TPropInfo& p = Need(c, name);
    if (p.Kind == TPropKind::Set) return p.SetToText(p.GetOrd(c));
    if (p.Kind != TPropKind::Enumeration && p.Kind != TPropKind::Boolean)
        throw EReadError("Property " + name + " is not an enumeration");
    return p.NameOfOrd(p.GetOrd(c));
}

void SetEnumProp(TComponent* c, const std::string& name, const std::string& v) {
    const TPropInfo& p = Need(c, name);
    if (p.Kind == TPropKind::Set) return p.SetOrd(c, TextToSet(p, v));
    if (p.Kind != TPropKind::Enumeration && p.Kind != TPropKind::Boolean)
        throw EReadError("Property " + name + " is not an enumeration");
    p.SetOrd(c, p.OrdOfName(v));
}

}  // namespace fw
