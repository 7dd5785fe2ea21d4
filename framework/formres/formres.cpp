#include "framework/formres/formres.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <type_traits>

#include "framework/base/colors.h"

namespace fw {

namespace {

// --- the text, parsed ----------------------------------------------------------

struct Value {
    enum Kind { Int, Str, Ident, Set, List } kind = Int;
    long long i = 0;
    std::string s;    // Str (ANSI bytes), Ident
    std::wstring w;   // Str, as UTF-16
    std::vector<std::string> items;    // Set (names), List (ANSI)
    std::vector<std::wstring> witems;  // List, as UTF-16
};

struct Prop {
    std::string name;
    Value value;
    int line;
};

struct Node {
    std::string name, cls;
    int line = 0;
    std::vector<Prop> props;
    std::vector<std::unique_ptr<Node>> children;
};

class Parser {
public:
    explicit Parser(const std::string& t) : t_(t) {}

    std::unique_ptr<Node> Object() {
        SkipSpace();
        std::string kw = Ident();
        if (!SameText(kw, "object")) Fail("'object' expected");
        auto n = std::make_unique<Node>();
        n->line = line_;
        n->name = Ident();
        Expect(':');
        n->cls = Ident();
        for (;;) {
            SkipSpace();
            if (pos_ >= t_.size()) Fail("'end' expected");
            size_t save = pos_;
            int saveLine = line_;
            std::string word = Ident();
            if (SameText(word, "end")) break;
            if (SameText(word, "object")) {
                pos_ = save;
                line_ = saveLine;
                n->children.push_back(Object());
                continue;
            }
            Prop p;
            p.line = line_;
            p.name = word;
            Expect('=');
            p.value = ParseValue();
            n->props.push_back(std::move(p));
        }
        return n;
    }

    void End() {
        SkipSpace();
        if (pos_ < t_.size()) Fail("text after the last 'end'");
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw EReadError("Form resource, line " + IntToStr(line_) + ": " + what);
    }

private:
    void SkipSpace() {
        while (pos_ < t_.size()) {
            char c = t_[pos_];
            if (c == '\n') ++line_;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') ++pos_;
            else break;
        }
    }
    char Peek() {
        SkipSpace();
        return pos_ < t_.size() ? t_[pos_] : '\0';
    }
    void Expect(char c) {
        if (Peek() != c) Fail(std::string("'") + c + "' expected");
        ++pos_;
    }
    static bool IdentChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
    }
    std::string Ident() {
        SkipSpace();
        size_t b = pos_;
        while (pos_ < t_.size() && IdentChar(t_[pos_])) ++pos_;
        if (b == pos_) Fail("identifier expected");
        return t_.substr(b, pos_ - b);
    }
    // Quoted pieces and #nnn codes, joined when they touch ('a'#13'b') or
    // by a '+' (across lines); whitespace alone ends the string, so that the
    // items of a list stay apart.
    void StringValue(std::string& a, std::wstring& w) {
        SkipSpace();
        for (;;) {
            char c = pos_ < t_.size() ? t_[pos_] : '\0';
            if (c == '\'') {
                ++pos_;
                std::string piece;
                for (;;) {
                    if (pos_ >= t_.size() || t_[pos_] == '\n') Fail("unterminated string");
                    char ch = t_[pos_++];
                    if (ch == '\'') {
                        if (pos_ < t_.size() && t_[pos_] == '\'') {
                            piece += '\'';
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    piece += ch;
                }
                a += piece;
                w += AnsiToWide(piece);
            } else if (c == '#') {
                ++pos_;
                size_t b = pos_;
                while (pos_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[pos_]))) ++pos_;
                if (b == pos_ || pos_ - b > 6) Fail("character code expected");
                unsigned long code = std::stoul(t_.substr(b, pos_ - b));
                if (code > 0xFFFF) Fail("character code out of range");
                a += code < 256 ? static_cast<char>(code) : '?';
                w += static_cast<wchar_t>(code);
            } else {
                return;
            }
            char n = pos_ < t_.size() ? t_[pos_] : '\0';
            if (n == '\'' || n == '#') continue;
            size_t save = pos_;
            int saveLine = line_;
            if (Peek() == '+') {
                ++pos_;
                SkipSpace();
                continue;
            }
            pos_ = save;
            line_ = saveLine;
            return;
        }
    }
    Value ParseValue() {
        Value v;
        char c = Peek();
        if (c == '\'' || c == '#') {
            v.kind = Value::Str;
            StringValue(v.s, v.w);
        } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = Value::Int;
            size_t b = pos_++;
            while (pos_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[pos_]))) ++pos_;
            try {
                v.i = std::stoll(t_.substr(b, pos_ - b), nullptr, 10);
            } catch (...) {
                Fail("bad number");
            }
        } else if (c == '$') {
            v.kind = Value::Int;
            size_t b = ++pos_;
            while (pos_ < t_.size() && std::isxdigit(static_cast<unsigned char>(t_[pos_]))) ++pos_;
            if (b == pos_) Fail("bad number");
            v.i = static_cast<long long>(std::stoull(t_.substr(b, pos_ - b), nullptr, 16));
            if (v.i >= 0x80000000LL && v.i <= 0xFFFFFFFFLL) v.i -= 0x100000000LL;  // a 32-bit value
        } else if (c == '[') {
            v.kind = Value::Set;
            ++pos_;
            if (Peek() == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                v.items.push_back(Ident());
                char d = Peek();
                ++pos_;
                if (d == ']') break;
                if (d != ',') Fail("',' or ']' expected");
            }
        } else if (c == '(') {
            v.kind = Value::List;
            ++pos_;
            while (Peek() != ')') {
                if (pos_ >= t_.size()) Fail("')' expected");
                std::string a;
                std::wstring w;
                size_t before = pos_;
                StringValue(a, w);
                if (pos_ == before) Fail("string expected");
                v.items.push_back(a);
                v.witems.push_back(w);
            }
            ++pos_;
        } else {
            v.kind = Value::Ident;
            v.s = Ident();
        }
        return v;
    }

    const std::string& t_;
    size_t pos_ = 0;
    int line_ = 1;
};

// --- applying it --------------------------------------------------------------

struct Fixup {
    TComponent* comp;
    const TPropInfo* prop;
    std::string target;
    int line;
};

class Reader {
public:
    explicit Reader(TComponent* root) : root_(root) {}

    void ReadRoot(const Node& n) {
        if (!SameText(n.cls, root_->ClassName()))
            Fail(n.line, "the resource is of class " + n.cls + ", the form of class " + root_->ClassName());
        Begin(root_);
        root_->SetName(n.name);
        Body(root_, n);
    }

    void Finish() {
        for (const auto& f : fixups_) {
            TComponent* target = SameText(f.target, root_->Name()) ? root_ : root_->FindComponent(f.target);
            if (!target) Fail(f.line, "unresolved reference to " + f.target);
            try {
                f.prop->SetComp(f.comp, target);
            } catch (const Exception& e) {
                Fail(f.line, f.prop->Name + ": " + e.Message());
            }
        }
        for (TComponent* c : read_) c->SetStateFlags(csReading, false);
        // Children first, the root last, so that a parent's first layout
        // finds its children loaded.
        for (TComponent* c : read_)
            if (c != root_) c->Loaded();
        root_->Loaded();
    }

private:
    [[noreturn]] void Fail(int line, const std::string& what) const {
        throw EReadError("Form resource, line " + IntToStr(line) + ": " + what);
    }

    void Begin(TComponent* c) {
        c->SetStateFlags(csLoading | csReading, true);
        read_.push_back(c);
    }

    void Body(TComponent* c, const Node& n) {
        for (const Prop& p : n.props) SetProp(c, p);
        for (const auto& child : n.children) {
            const TMetaClass* mc = GetClass(child->cls);
            if (!mc) Fail(child->line, "class " + child->cls + " not found");
            TComponent* obj = nullptr;
            try {
                obj = mc->Create(root_);
                Begin(obj);
                obj->SetName(child->name);
            } catch (const EReadError&) {
                throw;
            } catch (const Exception& e) {
                Fail(child->line, e.Message());
            }
            obj->SetParentComponent(c);
            Body(obj, *child);
        }
    }

    void SetProp(TComponent* c, const Prop& p) {
        std::string name = p.name;
        const std::string suffix = ".Strings";
        if (name.size() > suffix.size() && SameText(name.substr(name.size() - suffix.size()), suffix))
            name.erase(name.size() - suffix.size());
        const TPropInfo* info = FindProperty(c, name);
        auto where = [&] { return c->Name() + "." + p.name; };
        if (!info) Fail(p.line, "property " + where() + " does not exist");
        const Value& v = p.value;
        auto bad = [&] { Fail(p.line, "invalid value for " + where()); };
        try {
            switch (info->Kind) {
                case TPropKind::String:
                    if (v.kind != Value::Str) bad();
                    info->SetStr(c, v.s);
                    break;
                case TPropKind::WideString:
                    if (v.kind != Value::Str) bad();
                    info->SetWStr(c, v.w);
                    break;
                case TPropKind::Integer:
                    if (v.kind == Value::Int) info->SetOrd(c, v.i);
                    else if (v.kind == Value::Ident) {
                        TColor col;
                        if (!StringToColor(v.s, col)) bad();
                        info->SetOrd(c, col);
                    } else bad();
                    break;
                case TPropKind::Boolean:
                case TPropKind::Enumeration:
                    if (v.kind != Value::Ident) bad();
                    info->SetOrd(c, info->OrdOfName(v.s));
                    break;
                case TPropKind::Set: {
                    if (v.kind != Value::Set) bad();
                    long long bits = 0;
                    for (const auto& item : v.items) bits |= 1LL << info->OrdOfName(item);
                    info->SetOrd(c, bits);
                    break;
                }
                case TPropKind::Event: {
                    if (v.kind != Value::Ident) bad();
                    const std::any* code = root_->FindMethod(v.s);
                    if (!code) Fail(p.line, "method " + v.s + " for " + where() + " not found");
                    TMethod m;
                    m.Name = v.s;
                    m.Code = *code;
                    info->SetMethod(c, m);
                    break;
                }
                case TPropKind::Component:
                    if (v.kind != Value::Ident) bad();
                    fixups_.push_back(Fixup{c, info, v.s, p.line});
                    break;
                case TPropKind::Strings:
                    if (v.kind != Value::List) bad();
                    info->SetList(c, v.items);
                    break;
            }
        } catch (const EReadError& e) {
            if (e.Message().rfind("Form resource", 0) == 0) throw;
            Fail(p.line, where() + ": " + e.Message());
        } catch (const Exception& e) {
            Fail(p.line, where() + ": " + e.Message());
        }
    }

    TComponent* root_;
    std::vector<TComponent*> read_;
    std::vector<Fixup> fixups_;
};

// --- writing ------------------------------------------------------------------

// A text as the format writes it: printable ASCII in quotes (a quote
// doubled), every other code unit as #nnn: a byte of the ANSI code page for
// a string, a UTF-16 code unit for a wide string.
template <typename Text>
std::string Quote(const Text& s) {
    if (s.empty()) return "''";
    using Unit = std::make_unsigned_t<typename Text::value_type>;
    std::string out;
    bool inQuote = false;
    for (auto ch : s) {
        auto c = static_cast<Unit>(ch);
        if (c >= 32 && c < 127) {
            if (!inQuote) {
                out += '\'';
                inQuote = true;
            }
            if (c == '\'') out += "''";
            else out += static_cast<char>(c);
        } else {
            if (inQuote) {
                out += '\'';
                inQuote = false;
            }
            out += "#" + IntToStr(c);
        }
    }
    if (inQuote) out += '\'';
    return out;
}

class Writer {
public:
    explicit Writer(TComponent* root) : root_(root) {}

    void Write(TComponent* c, int depth) {
        std::string ind(static_cast<size_t>(depth) * 2, ' ');
        out_ += ind + "object " + c->Name() + ": " + c->ClassName() + "\r\n";
        c->SetStateFlags(csWriting, true);
        for (const TPropInfo* p : c->ClassType().Properties()) {
            if (!p->Stored(c) || p->IsDefault(c)) continue;
            out_ += ind + "  " + p->Name;
            out_ += p->Kind == TPropKind::Strings ? ".Strings = " : " = ";
            out_ += ValueText(c, *p, ind + "    ") + "\r\n";
        }
        c->GetChildren([&](TComponent* child) { Write(child, depth + 1); }, root_);
        c->SetStateFlags(csWriting, false);
        out_ += ind + "end\r\n";
    }

    std::string Text() const { return out_; }

private:
    std::string ValueText(TComponent* c, const TPropInfo& p, const std::string& listIndent) {
        switch (p.Kind) {
            case TPropKind::String: return Quote(p.GetStr(c));
            case TPropKind::WideString: return Quote(p.GetWStr(c));
            case TPropKind::Integer: {
                long long v = p.GetOrd(c);
                return p.ColorValue ? ColorToString(static_cast<TColor>(v)) : IntToStr(v);
            }
            case TPropKind::Boolean:
            case TPropKind::Enumeration: return p.NameOfOrd(p.GetOrd(c));
            case TPropKind::Set: return p.SetToText(p.GetOrd(c));
            case TPropKind::Event: return p.GetMethod(c).Name;
            case TPropKind::Component: {
                TComponent* r = p.GetComp(c);
                if (r == root_ || !r->Owner() || r->Owner() == root_) return r->Name();
                return r->Owner()->Name() + "." + r->Name();
            }
            case TPropKind::Strings: {
                std::string s = "(";
                for (const auto& item : p.GetList(c)) s += "\r\n" + listIndent + Quote(item);
                return s + ")";
            }
        }
        return {};
    }

    TComponent* root_;
    std::string out_;
};

std::vector<HMODULE>& Modules() {
    static auto* m = new std::vector<HMODULE>;
    return *m;
}

bool FindText(HMODULE module, const std::string& name, std::string& out) {
    HRSRC r = FindResourceA(module, name.c_str(), reinterpret_cast<LPCSTR>(RT_RCDATA));
    if (!r) return false;
    HGLOBAL g = LoadResource(module, r);
    const void* data = g ? LockResource(g) : nullptr;
    if (!data) return false;
    out.assign(static_cast<const char*>(data), SizeofResource(module, r));
    // A file compiled in may end with a NUL or carry a UTF-8 mark.
    while (!out.empty() && out.back() == '\0') out.pop_back();
    if (out.rfind("\xEF\xBB\xBF", 0) == 0) out.erase(0, 3);
    return true;
}

}  // namespace

void ReadComponentText(const std::string& text, TComponent* root) {
    Parser parser(text);
    std::unique_ptr<Node> node = parser.Object();
    parser.End();
    Reader reader(root);
    try {
        reader.ReadRoot(*node);
        reader.Finish();
    } catch (...) {
        // Leave nothing half loaded behind the error.
        root->SetStateFlags(csLoading | csReading, false);
        for (int i = 0; i < root->ComponentCount(); ++i)
            root->Components(i)->SetStateFlags(csLoading | csReading, false);
        throw;
    }
}

std::string ReadResourceText(const std::string& name) {
    std::string text;
    auto& mods = Modules();
    for (auto it = mods.rbegin(); it != mods.rend(); ++it)
        if (FindText(*it, name, text)) return text;
    if (FindText(GetModuleHandleA(nullptr), name, text)) return text;
    throw EResNotFound("Resource " + name + " not found");
}

void ReadComponentRes(const std::string& name, TComponent* root) { ReadComponentText(ReadResourceText(name), root); }

void RegisterResourceModule(HMODULE module) { Modules().push_back(module); }

void UnregisterResourceModule(HMODULE module) {
    auto& m = Modules();
    m.erase(std::remove(m.begin(), m.end(), module), m.end());
}

std::string WriteComponentText(TComponent* root) {
    Writer w(root);
    w.Write(root, 0);
    return w.Text();
}

}  // namespace fw
