// TObject, TStringList, TComponent (name, tag, owner and owned components,
// state, Loaded, free notification, handler methods by name), TPropInfo and
// TMetaClass (the published-property table of a class, inherited along the
// class chain), TClassBuilder (declares a class's properties), the class
// registry, EReadError and the typed property accessors.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/base/sysutils.h"

namespace fw {

class TComponent;
class TMetaClass;

// The root of the framework's classes that are not components (fonts,
// string lists) and the type of an event's Sender.
class TObject {
public:
    virtual ~TObject() = default;
};

// An error in a form resource or in a property set through the table.
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

// An ordered list of texts (the items of list boxes and radio groups, and
// the product's own lists).  OnChange runs after every change.
class TStringList : public TObject {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int i) const;
    const std::string& Strings(int i) const { return (*this)[i]; }
    void Put(int i, const std::string& s);
    int Add(const std::string& s);
    void Insert(int i, const std::string& s);
    void Delete(int i);
    void Clear();
    int IndexOf(const std::string& s) const;  // ignoring case; -1 when absent
    void Assign(const std::vector<std::string>& items);
    const std::vector<std::string>& Items() const { return items_; }
    // The items joined by CR LF, each followed by one.
    std::string Text() const;

    std::function<void()> OnChange;

private:
    void Changed() { if (OnChange) OnChange(); }
    std::vector<std::string> items_;
};
using TStrings = TStringList;

// A handler bound by method name: the name (as a form resource writes it)
// and the callable, a std::function of the event's own signature.
struct TMethod {
    std::string Name;
    std::any Code;
    bool Assigned() const { return Code.has_value(); }
};

// An event property's value: the handler's name and the typed callable.
template <typename Sig>
class TEvent {
public:
    TEvent() = default;
    TEvent(std::function<Sig> f) : code_(std::move(f)) {}  // NOLINT: set from code
    // Any callable of the event's signature (a lambda), so that code can
    // write button->OnClick = [&](TObject*) { ... };
    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TEvent> &&
                                          !std::is_same_v<std::decay_t<F>, std::function<Sig>> &&
                                          std::is_constructible_v<std::function<Sig>, F>>>
    TEvent(F&& f) : code_(std::forward<F>(f)) {}  // NOLINT: set from code
    template <typename... A>
    void operator()(A&&... a) const { if (code_) code_(std::forward<A>(a)...); }
    explicit operator bool() const { return static_cast<bool>(code_); }
    const std::string& Name() const { return name_; }
    TMethod AsMethod() const {
        TMethod m;
        m.Name = name_;
        if (code_) m.Code = code_;
        return m;
    }
    // Raises EReadError when the handler has another signature.
    void Assign(const TMethod& m);

private:
    std::function<Sig> code_;
    std::string name_;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

enum class TPropKind { String, WideString, Integer, Boolean, Enumeration, Set, Event, Component, Strings };

// One published property.  Ordinal kinds (integer, boolean, enumeration,
// set) travel as a long long: an enumeration as its ordinal, a set as a bit
// mask over Names.  The accessors take the object as a TComponent and cast
// it to the declaring class.
struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Integer;
    std::vector<std::string> Names;  // enumeration values or set elements, by ordinal
    const TMetaClass* DeclaringClass = nullptr;

    std::function<long long(const TComponent*)> GetOrd;
    std::function<void(TComponent*, long long)> SetOrd;
    std::function<std::string(const TComponent*)> GetStr;
    std::function<void(TComponent*, const std::string&)> SetStr;
    std::function<std::wstring(const TComponent*)> GetWStr;
    std::function<void(TComponent*, const std::wstring&)> SetWStr;
    std::function<TMethod(const TComponent*)> GetMethod;
    std::function<void(TComponent*, const TMethod&)> SetMethod;
    std::function<TComponent*(const TComponent*)> GetComp;
    std::function<void(TComponent*, TComponent*)> SetComp;
    const TMetaClass* CompClass = nullptr;  // the class a reference must have
    bool ColorValue = false;                // an integer written as a colour name
    std::function<std::vector<std::string>(const TComponent*)> GetList;
    std::function<void(TComponent*, const std::vector<std::string>&)> SetList;

    // Whether the writer writes the property at all (null: always); some
    // properties are never written, others only in some states.
    std::function<bool(const TComponent*)> IsStored;
    // A property that declares a default is written only when it differs
    // from it; one without a default is always written.
    bool HasDefault = false;
    long long DefaultOrd = 0;
    std::string DefaultStr;

    bool Stored(const TComponent* c) const { return !IsStored || IsStored(c); }
    bool IsDefault(const TComponent* c) const;  // the value equals the default
    // Enumeration and set names <-> values; EReadError on an unknown name.
    long long OrdOfName(const std::string& name) const;
    std::string NameOfOrd(long long v) const;
    // A set's value as its resource text: [akLeft, akTop].
    std::string SetToText(long long v) const;
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// A class's run-time type information: its name, its parent, a factory when
// the reader may create it, and its properties.  A class declares properties
// published or not; a descendant may publish an ancestor's unpublished one.
class TMetaClass {
public:
    TMetaClass(std::string name, const TMetaClass* parent, TComponentFactory factory);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const std::string& ClassName() const { return name_; }
    const TMetaClass* ClassParent() const { return parent_; }
    bool InheritsFrom(const TMetaClass& other) const;
    bool CanCreate() const { return static_cast<bool>(factory_); }
    TComponent* Create(TComponent* owner) const;  // EComponentError when abstract

    // Published properties, the ancestors' first, in declaration order.
    std::vector<const TPropInfo*> Properties() const;
    // A published property by name, ignoring case; null when none.
    const TPropInfo* FindProperty(const std::string& name) const;

    // Declaring (while the class's table is built).
    TPropInfo& Declare(TPropInfo p, bool publish);
    void Publish(const std::string& name);  // an ancestor's declared property

private:
    const TPropInfo* FindDeclared(const std::string& name) const;
    std::string name_;
    const TMetaClass* parent_;
    TComponentFactory factory_;
    std::vector<std::unique_ptr<TPropInfo>> declared_;
    std::vector<const TPropInfo*> published_;
};

// Declares the properties of class C.  Getters and setters are member
// functions (of C or a base of C) or any callable taking the object.
// Defaults are given as the last argument; none means "always written".
template <typename C>
class TClassBuilder {
public:
    explicit TClassBuilder(TMetaClass& mc, bool publish = true) : mc_(mc), publish_(publish) {}

    // Properties declared after this call are not published (a descendant
    // publishes those it wants with Publish).
    TClassBuilder& Unpublished() { publish_ = false; return *this; }
    TClassBuilder& Published() { publish_ = true; return *this; }
    TClassBuilder& Publish(std::initializer_list<const char*> names) {
        for (const char* n : names) mc_.Publish(n);
        return *this;
    }

    template <typename G, typename S>
    TPropInfo& String(const std::string& name, G get, S set) {
        TPropInfo p = Base(name, TPropKind::String);
        p.GetStr = [get](const TComponent* c) { return std::string(std::invoke(get, Self(c))); };
        p.SetStr = [set](TComponent* c, const std::string& v) { std::invoke(set, Self(c), v); };
        return mc_.Declare(std::move(p), publish_);
    }
    template <typename G, typename S>
    TPropInfo& String(const std::string& name, G get, S set, const std::string& def) {
        TPropInfo& p = String(name, get, set);
        p.HasDefault = true;
        p.DefaultStr = def;
        return p;
    }
    template <typename G, typename S>
    TPropInfo& WideString(const std::string& name, G get, S set) {
        TPropInfo p = Base(name, TPropKind::WideString);
        p.GetWStr = [get](const TComponent* c) { return std::wstring(std::invoke(get, Self(c))); };
        p.SetWStr = [set](TComponent* c, const std::wstring& v) { std::invoke(set, Self(c), v); };
        return mc_.Declare(std::move(p), publish_);
    }
    template <typename G, typename S>
    TPropInfo& Integer(const std::string& name, G get, S set) {
        return Ord(name, TPropKind::Integer, {}, get, set);
    }
    template <typename G, typename S>
    TPropInfo& Integer(const std::string& name, G get, S set, long long def) {
        return Default(Integer(name, get, set), def);
    }
    template <typename G, typename S>
    TPropInfo& Boolean(const std::string& name, G get, S set) {
        return Ord(name, TPropKind::Boolean, {"False", "True"}, get, set);
    }
    template <typename G, typename S>
    TPropInfo& Boolean(const std::string& name, G get, S set, bool def) {
        return Default(Boolean(name, get, set), def ? 1 : 0);
    }
    template <typename G, typename S>
    TPropInfo& Enum(const std::string& name, std::vector<std::string> names, G get, S set) {
        return Ord(name, TPropKind::Enumeration, std::move(names), get, set);
    }
    template <typename G, typename S, typename D>
    TPropInfo& Enum(const std::string& name, std::vector<std::string> names, G get, S set, D def) {
        return Default(Enum(name, std::move(names), get, set), static_cast<long long>(def));
    }
    // A set: the getter returns, the setter takes, a bit mask over names.
    template <typename G, typename S>
    TPropInfo& Set(const std::string& name, std::vector<std::string> names, G get, S set, unsigned def) {
        return Default(Ord(name, TPropKind::Set, std::move(names), get, set), def);
    }
    // An event: the member holds a TEvent<Sig>.
    template <typename Sig, typename B>
    TPropInfo& Event(const std::string& name, TEvent<Sig> B::*member) {
        TPropInfo p = Base(name, TPropKind::Event);
        p.GetMethod = [member](const TComponent* c) { return (Self(c)->*member).AsMethod(); };
        p.SetMethod = [member](TComponent* c, const TMethod& m) { (Self(c)->*member).Assign(m); };
        return mc_.Declare(std::move(p), publish_);
    }
    // A reference to another component of class R (fixed up after reading).
    template <typename R, typename G, typename S>
    TPropInfo& Reference(const std::string& name, G get, S set) {
        TPropInfo p = Base(name, TPropKind::Component);
        p.CompClass = &R::StaticClass();
        p.GetComp = [get](const TComponent* c) -> TComponent* { return std::invoke(get, Self(c)); };
        p.SetComp = [set](TComponent* c, TComponent* v) {
            R* r = v ? dynamic_cast<R*>(v) : nullptr;
            if (v && !r) throw EReadError("Invalid property value");
            std::invoke(set, Self(c), r);
        };
        return mc_.Declare(std::move(p), publish_);
    }
    // A list of texts (written as Name.Strings = ('a' 'b')).
    template <typename G, typename S>
    TPropInfo& Strings(const std::string& name, G get, S set) {
        TPropInfo p = Base(name, TPropKind::Strings);
        p.GetList = [get](const TComponent* c) { return std::vector<std::string>(std::invoke(get, Self(c))); };
        p.SetList = [set](TComponent* c, const std::vector<std::string>& v) { std::invoke(set, Self(c), v); };
        return mc_.Declare(std::move(p), publish_);
    }

private:
    static C* Self(TComponent* c) { return static_cast<C*>(c); }
    static const C* Self(const TComponent* c) { return static_cast<const C*>(c); }
    TPropInfo Base(const std::string& name, TPropKind kind) {
        TPropInfo p;
        p.Name = name;
        p.Kind = kind;
        p.DeclaringClass = &mc_;
        return p;
    }
    static TPropInfo& Default(TPropInfo& p, long long def) {
        p.HasDefault = true;
        p.DefaultOrd = def;
        return p;
    }
    template <typename G, typename S>
    TPropInfo& Ord(const std::string& name, TPropKind kind, std::vector<std::string> names, G get, S set) {
        TPropInfo p = Base(name, kind);
        p.Names = std::move(names);
        p.GetOrd = [get](const TComponent* c) { return static_cast<long long>(std::invoke(get, Self(c))); };
        p.SetOrd = [set](TComponent* c, long long v) { Apply(set, Self(c), v); };
        return mc_.Declare(std::move(p), publish_);
    }
    // Calls the setter with the value converted to the setter's parameter type.
    template <typename S>
    static void Apply(S set, C* obj, long long v) {
        if constexpr (std::is_member_function_pointer_v<S>) {
            ApplyMember(set, obj, v);
        } else {
            set(obj, v);
        }
    }
    template <typename B, typename A>
    static void ApplyMember(void (B::*set)(A), C* obj, long long v) {
        using T = std::remove_cvref_t<A>;
        (obj->*set)(static_cast<T>(v));
    }

    TMetaClass& mc_;
    bool publish_;
};

// Builds the TMetaClass of C once: name, parent, factory (when C can be made
// from an owner alone), and the properties that declare() adds.
template <typename C, typename F>
std::unique_ptr<TMetaClass> MakeClass(const char* name, const TMetaClass* parent, F declare) {
    TComponentFactory factory;
    if constexpr (std::is_constructible_v<C, TComponent*> && !std::is_abstract_v<C>)
        factory = [](TComponent* owner) -> TComponent* { return new C(owner); };
    auto mc = std::make_unique<TMetaClass>(name, parent, std::move(factory));
    TClassBuilder<C> b(*mc);
    declare(b);
    return mc;
}

// In a class body: the class's type information.
#define FW_CLASS(Cls)                                                        \
public:                                                                      \
    static const ::fw::TMetaClass& StaticClass();                            \
    const ::fw::TMetaClass& ClassType() const override { return StaticClass(); }

// In a source file: defines Cls::StaticClass; the last argument is a callable
// taking a TClassBuilder<Cls>& that declares the class's properties.
#define FW_IMPLEMENT_CLASS(Cls, Parent, ...)                                              \
    const ::fw::TMetaClass& Cls::StaticClass() {                                          \
        /* never freed: components may outlive static destruction */                     \
        static const ::fw::TMetaClass* mc =                                               \
            ::fw::MakeClass<Cls>(#Cls, &Parent::StaticClass(), __VA_ARGS__).release();    \
        return *mc;                                                                       \
    }

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDesigning = 1u << 3,
    csDestroying = 1u << 4,
};
enum TOperation { opInsert, opRemove };

// A named object with an owner.  The owner frees what it owns, last created
// first.  Free components with Free(), which runs BeforeDestruction while the
// object is still whole (a form's OnDestroy) and then deletes it.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().ClassName(); }

    void Free();
    virtual void BeforeDestruction();

    const std::string& Name() const { return name_; }
    // EComponentError for a name that is no identifier or that another
    // component of the same owner already has.
    virtual void SetName(const std::string& name);
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t t) { tag_ = t; }
    TComponent* Owner() const { return owner_; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int i) const { return components_.at(static_cast<size_t>(i)); }
    int ComponentIndex() const;  // in the owner's list; -1 without owner
    TComponent* FindComponent(const std::string& name) const;  // ignoring case
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    void DestroyComponents();

    unsigned ComponentState() const { return state_; }
    bool HasState(unsigned flags) const { return (state_ & flags) != 0; }
    void SetDesigning(bool on, bool inclOwned = true);

    // Ask to hear (Notification with opRemove) when c goes; c hears of this
    // one's going too.  References held in properties are cleared so.
    void FreeNotification(TComponent* c);
    void RemoveFreeNotification(TComponent* c);

    // Form reading: the component's parent in the resource, the children
    // written inside it, and the end of reading.
    virtual void SetParentComponent(TComponent* parent);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;
    virtual void Loaded();

    // Handler methods by name, for event properties read from a resource.
    // A root (a form) registers its methods; the reader binds them.
    template <typename B, typename R, typename... A>
    void BindMethod(const std::string& name, R (B::*method)(A...)) {
        B* self = static_cast<B*>(this);
        std::function<R(A...)> f = [self, method](A... a) { return (self->*method)(std::forward<A>(a)...); };
        AddMethod(name, std::any(std::move(f)));
    }
    void AddMethod(const std::string& name, std::any code);
    const std::any* FindMethod(const std::string& name) const;  // ignoring case

    // The state flags the reader and writer set.
    void SetStateFlags(unsigned flags, bool on);

protected:
    virtual void Notification(TComponent* c, TOperation op);

private:
    std::string name_;
    std::int32_t tag_ = 0;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    unsigned state_ = 0;
    std::vector<std::pair<std::string, std::any>> methods_;
};

// Frees a component the framework's way (Free: BeforeDestruction first), for
// a component that no owner frees:
//     std::unique_ptr<TForm, FreeComponent> box(new TForm(nullptr));
struct FreeComponent {
    void operator()(TComponent* c) const { c->Free(); }
};

// The class registry (one per process: the framework DLL exports it), by
// which form resources find the classes they name.  EComponentError when
// another class already has the name.
void RegisterClass(const TMetaClass& mc);
void RegisterClasses(std::initializer_list<const TMetaClass*> classes);
const TMetaClass* GetClass(const std::string& name);  // ignoring case; null when none
const TMetaClass& FindClass(const std::string& name);  // EReadError when none

// The streamable classes of one unit, registered by the unit that defines
// them with a namespace-scope object:
//     const TClassRegistration kRegistered{&TLabel::StaticClass, &TButton::StaticClass};
// The classes are noted while the module initialises and entered into the
// registry at its first use, when every module's tables are complete (a
// class's property table may use another unit's name lists, whose order of
// initialisation is unknown).  A name another class already has keeps that
// class; nothing may leave a module's initialisation.
using TClassGetter = const TMetaClass& (*)();
class TClassRegistration {
public:
    TClassRegistration(std::initializer_list<TClassGetter> classes) noexcept;
    TClassRegistration(const TClassRegistration&) = delete;
    TClassRegistration& operator=(const TClassRegistration&) = delete;
};

// The published property of the component's class, ignoring case; null when none.
const TPropInfo* FindProperty(const TComponent* c, const std::string& name);
std::vector<const TPropInfo*> GetPropList(const TComponent* c);
// Typed access by name; EReadError when the property is missing or of
// another kind.  Enumerations and sets also read and take their names
// ("alTop", "[akLeft,akTop]").
std::string GetStrProp(const TComponent* c, const std::string& name);
void SetStrProp(TComponent* c, const std::string& name, const std::string& v);
long long GetOrdProp(const TComponent* c, const std::string& name);
void SetOrdProp(TComponent* c, const std::string& name, long long v);
std::string GetEnumProp(const TComponent* c, const std::string& name);
void SetEnumProp(TComponent* c, const std::string& name, const std::string& v);

template <typename Sig>
void TEvent<Sig>::Assign(const TMethod& m) {
    if (!m.Code.has_value()) {
        code_ = nullptr;
        name_.clear();
        return;
    }
    const auto* f = std::any_cast<std::function<Sig>>(&m.Code);
    if (!f) throw EReadError("Method " + m.Name + " does not match the event");
    code_ = *f;
    name_ = m.Name;
}

}  // namespace fw
