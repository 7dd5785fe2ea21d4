// TranslateForm and FindProperty on a real form read from a form resource,
// with the French language library loaded.
#include <gtest/gtest.h>

#include <memory>

#include "framework/formres/formres.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"
#include "tests/kxlib_servers/fixtures.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/language.h"
#include "uninstall/kxlib/translate.h"

namespace {

// The main window's English texts; menu items Ctrl+Q = 16465, Ctrl+O = 16463.
const char kForm[] = R"(object TestForm: TForm
  Caption = 'Orvanta UnInstall'
  Tag = 4450
  object laMsg1: TLabel
    Caption = 'This program removes Lumadesk.'
    Hint = 'old intro hint'
    Tag = 4451
  end
  object laUserFiles: TLabel
    Caption = 'Your files:'
    Hint = 'old files hint'
    Tag = -4452
  end
  object chDeleteUserFiles: TCheckBox
    Caption = 'Delete your files too'
    Hint = 'old check hint'
    Tag = 4453
  end
  object btOk: TButton
    Caption = '&Ok'
    Tag = 501
  end
  object btCancel: TButton
    Caption = '&Cancel'
    Tag = 502
  end
  object laZero: TLabel
    Caption = 'zero'
    Hint = 'zero hint'
  end
  object laLow: TLabel
    Caption = 'low'
    Hint = 'low hint'
    Tag = 499
  end
  object laNegativeLow: TLabel
    Caption = 'negative low'
    Tag = -499
  end
  object laWrapped: TLabel
    Caption = 'wrapped'
    Hint = 'wrapped hint'
    Tag = 69986
  end
  object laMissing: TLabel
    Caption = 'missing'
    Hint = 'missing hint'
    Tag = 4999
  end
  object miSave: TMenuItem
    Caption = '&Save'
    Tag = 4470
    object miQuit: TMenuItem
      Caption = '&Quit'
      ShortCut = 16465
      Tag = 4471
    end
    object miOpen: TMenuItem
      Caption = '&Open'
      ShortCut = 16463
      Tag = 4472
    end
  end
  object miPrint: TMenuItem
    Caption = '&Print'
    Tag = 4473
  end
  object rgFull: TRadioGroup
    Caption = 'Mode'
    Tag = 4481
  end
  object rgShort: TRadioGroup
    Caption = 'Mode'
    Tag = 4480
  end
end
)";

using FormPtr = std::unique_ptr<fw::TForm, fw::FreeComponent>;

FormPtr ReadForm(const std::string& text) {
    FormPtr form(new fw::TForm(nullptr));
    fw::ReadComponentText(text, form.get());
    return form;
}

template <typename T>
T& Get(fw::TForm& form, const char* name) {
    T* c = dynamic_cast<T*>(form.FindComponent(name));
    if (!c) throw std::runtime_error(std::string("no component ") + name);
    return *c;
}

std::vector<std::string> ItemsOf(fw::TRadioGroup& g) { return g.Items().Items(); }

class TranslateFormTest : public ::testing::Test {
protected:
    void SetUp() override { lib = kx::LoadLanguage(fx::FixturePath("lang_fr", "KxLang.dll")); }
    void TearDown() override {
        kx::UnloadLanguage(lib);
        kx::LanguageText = nullptr;
        kx::LanguageFaulted = false;
    }
    HMODULE lib = nullptr;
};

TEST_F(TranslateFormTest, TheMainWindowGetsTheLibrarysTexts) {
    FormPtr form = ReadForm(kForm);
    kx::TranslateForm(*form);

    EXPECT_EQ(form->Caption(), "D\xE9sinstallation de Lumadesk");  // whole text, not split
    auto& msg = Get<fw::TLabel>(*form, "laMsg1");
    EXPECT_EQ(msg.Caption(), "Ce programme va d\xE9sinstaller");
    EXPECT_EQ(msg.Hint(), "Pr\xE9sentation");
    // A negative tag keeps the caption and still takes the hint.
    auto& files = Get<fw::TLabel>(*form, "laUserFiles");
    EXPECT_EQ(files.Caption(), "Your files:");
    EXPECT_EQ(files.Hint(), "Fichiers cr\xE9\xE9s par vous");
    // A text without ";" is all caption; the hint becomes empty.
    auto& check = Get<fw::TCheckBox>(*form, "chDeleteUserFiles");
    EXPECT_EQ(check.Caption(), "Supprimer aussi vos fichiers");
    EXPECT_EQ(check.Hint(), "");
    EXPECT_EQ(Get<fw::TButton>(*form, "btOk").Caption(), "&Valider");
    EXPECT_EQ(Get<fw::TButton>(*form, "btOk").Hint(), "Lancer la d\xE9sinstallation");
    EXPECT_EQ(Get<fw::TButton>(*form, "btCancel").Caption(), "&Annuler");
}

TEST_F(TranslateFormTest, SmallTagsAreLeftAloneAndMissingTextsEmpty) {
    FormPtr form = ReadForm(kForm);
    kx::TranslateForm(*form);
    EXPECT_EQ(Get<fw::TLabel>(*form, "laZero").Caption(), "zero");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laZero").Hint(), "zero hint");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laLow").Caption(), "low");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laLow").Hint(), "low hint");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laNegativeLow").Caption(), "negative low");
    // 69986 is 4450 in 16 bits.
    EXPECT_EQ(Get<fw::TLabel>(*form, "laWrapped").Caption(), "D\xE9sinstallation de Lumadesk");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laWrapped").Hint(), "");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laMissing").Caption(), "");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laMissing").Hint(), "");
}

TEST_F(TranslateFormTest, MenuItemsTakeTheirShortcutAsAWholeNumber) {
    FormPtr form = ReadForm(kForm);
    kx::TranslateForm(*form);
    auto& save = Get<fw::TMenuItem>(*form, "miSave");
    EXPECT_EQ(save.Caption(), "&Enregistrer");
    EXPECT_EQ(save.Hint(), "Enregistrer le document");
    EXPECT_EQ(save.ShortCut(), 16467);
    // Sub-items belong to the form too; "Ctrl+Q" is no number: no shortcut.
    auto& quit = Get<fw::TMenuItem>(*form, "miQuit");
    EXPECT_EQ(quit.Caption(), "&Quitter");
    EXPECT_EQ(quit.ShortCut(), 0);
    // Only two items: the shortcut stays.
    auto& open = Get<fw::TMenuItem>(*form, "miOpen");
    EXPECT_EQ(open.Caption(), "&Ouvrir");
    EXPECT_EQ(open.ShortCut(), 16463);
    // " 16,464 " with the locale's "," and blanks.
    EXPECT_EQ(Get<fw::TMenuItem>(*form, "miPrint").ShortCut(), 16464);
}

TEST_F(TranslateFormTest, RadioGroupEntriesKeepTheirNumber) {
    FormPtr form = ReadForm(kForm);
    // The entries are set here rather than read: the resource reader joins
    // the quoted lines of a list into one entry.
    for (const char* name : {"rgFull", "rgShort"}) Get<fw::TRadioGroup>(*form, name).SetItems({"A", "B", "C"});
    kx::TranslateForm(*form);
    auto& full = Get<fw::TRadioGroup>(*form, "rgFull");
    EXPECT_EQ(full.Caption(), "Mode");
    EXPECT_EQ(full.Hint(), "Mode de suppression");
    EXPECT_EQ(ItemsOf(full), (std::vector<std::string>{"Un", "Deux", "Trois"}));
    auto& partial = Get<fw::TRadioGroup>(*form, "rgShort");
    EXPECT_EQ(ItemsOf(partial), (std::vector<std::string>{"Tout", "Rien", ""}));
}

TEST_F(TranslateFormTest, AWindowTagBelow500KeepsTheCaption) {
    FormPtr form = ReadForm(R"(object Small: TForm
  Caption = 'Keep me'
  Tag = 499
  object btOk: TButton
    Caption = '&Ok'
    Tag = 501
  end
end
)");
    kx::TranslateForm(*form);
    EXPECT_EQ(form->Caption(), "Keep me");
    EXPECT_EQ(Get<fw::TButton>(*form, "btOk").Caption(), "&Valider");
}

// The library faults on text 4453 (chDeleteUserFiles): what comes before it
// in the component order is translated, the rest keeps its built-in texts.
TEST(TranslateFormFault, AFaultStopsTheTranslationInComponentOrder) {
    HMODULE lib = kx::LoadLanguage(fx::FixturePath("lang_crash", "KxLang.dll"));
    FormPtr form = ReadForm(kForm);
    kx::TranslateForm(*form);
    EXPECT_EQ(form->Caption(), "D\xE9sinstallation de Lumadesk");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laMsg1").Hint(), "Pr\xE9sentation");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laUserFiles").Hint(), "Fichiers cr\xE9\xE9s par vous");
    EXPECT_EQ(Get<fw::TCheckBox>(*form, "chDeleteUserFiles").Caption(), "Delete your files too");
    EXPECT_EQ(Get<fw::TCheckBox>(*form, "chDeleteUserFiles").Hint(), "old check hint");
    EXPECT_EQ(Get<fw::TButton>(*form, "btOk").Caption(), "&Ok");
    EXPECT_EQ(Get<fw::TLabel>(*form, "laMissing").Caption(), "missing");
    EXPECT_EQ(Get<fw::TMenuItem>(*form, "miQuit").ShortCut(), 16465);
    EXPECT_TRUE(kx::LanguageFaulted);
    kx::UnloadLanguage(lib);
    EXPECT_FALSE(kx::LanguageFaulted);
}

TEST(FindProperty, PublishedPropertiesByNameIgnoringCase) {
    FormPtr form = ReadForm(kForm);
    auto& label = Get<fw::TLabel>(*form, "laMsg1");
    for (const char* name : {"Caption", "caption", "CAPTION"}) {
        const fw::TPropInfo* p = kx::FindProperty(&label, name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->Name, "Caption");
    }
    ASSERT_NE(kx::FindProperty(&label, "hint"), nullptr);
    EXPECT_EQ(kx::FindProperty(&label, "hint")->Name, "Hint");
    EXPECT_EQ(kx::FindProperty(&label, "Captio"), nullptr);
    EXPECT_EQ(kx::FindProperty(&label, "NoSuchProperty"), nullptr);
    EXPECT_EQ(kx::FindProperty(&label, ""), nullptr);
    auto& item = Get<fw::TMenuItem>(*form, "miSave");
    ASSERT_NE(kx::FindProperty(&item, "shortcut"), nullptr);
    EXPECT_EQ(kx::FindProperty(&item, "shortcut")->Name, "ShortCut");
    EXPECT_EQ(kx::FindProperty(nullptr, "Caption"), nullptr);
}

}  // namespace
