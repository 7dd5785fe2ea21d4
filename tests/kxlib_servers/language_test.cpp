// The language binding on real language libraries: the French one, the
// broken ones (an export missing, not a library, no file) and one whose
// LangStr crashes.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/kxlib_servers/fixtures.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/language.h"

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Whatever a case left, the next one starts with the built-in texts.
        kx::LanguageText = nullptr;
        kx::LanguageFaulted = false;
    }
};

TEST_F(LanguageTest, MessagesComeFromTheLibraryWhileItIsLoaded) {
    std::string path = fx::FixturePath("lang_fr", "KxLang.dll");
    EXPECT_EQ(kx::MessageText(12), "Can't load");
    HMODULE lib = kx::LoadLanguage(path);
    ASSERT_NE(lib, nullptr);
    EXPECT_TRUE(fx::IsLoaded(path));
    EXPECT_NE(kx::LanguageText, nullptr);

    EXPECT_EQ(kx::MessageText(12), "Chargement impossible");
    // The code's high bits select nothing: 0x1000C is text 12.
    EXPECT_EQ(kx::MessageText(0x1000C), "Chargement impossible");
    EXPECT_EQ(kx::MessageText(54), "");  // no text in the library, no fallback
    EXPECT_EQ(kx::LangStr(4450), "D\xE9sinstallation de Lumadesk");
    EXPECT_EQ(kx::LangStr(4462), "D\xE9sinstallation termin\xE9" "e !");
    EXPECT_EQ(kx::LangStr(501), "&Valider;Lancer la d\xE9sinstallation");
    EXPECT_EQ(kx::LangStr(4490), std::string(255, 'x'));
    EXPECT_EQ(kx::EOrvantaError(12, "C:\\x.dll").Message(), "Chargement impossible : C:\\x.dll");

    kx::UnloadLanguage(lib);
    EXPECT_EQ(kx::LanguageText, nullptr);
    EXPECT_FALSE(fx::IsLoaded(path));
    EXPECT_EQ(kx::MessageText(12), "Can't load");
    EXPECT_EQ(kx::LangStr(4450), "");
    EXPECT_EQ(kx::EOrvantaError(12, "C:\\x.dll").Message(), "Can't load : C:\\x.dll");
}

TEST_F(LanguageTest, EveryBrokenLibraryFailsWithCode12AndItsPath) {
    ts::ScratchDir dir("language_broken");
    std::string text = dir / "KxLang.dll";
    ASSERT_TRUE(ts::WriteTextFile(text, "not a library\r\n"));
    for (const std::string& path :
         {fx::FixturePath("lang_nolong", "KxLang.dll"), fx::FixturePath("lang_nolangstr", "KxLang.dll"),
          text, dir / "Missing\\KxLang.dll", std::string("NoSuchLanguage.dll")}) {
        auto raised = fx::RaisedBy([&] { kx::LoadLanguage(path); });
        ASSERT_TRUE(raised) << path;
        EXPECT_EQ(raised->Code, 12) << path;
        EXPECT_EQ(raised->Context, path);
        // The binding stays clear and the refused library is not kept.
        EXPECT_EQ(kx::LanguageText, nullptr) << path;
        EXPECT_FALSE(fx::IsLoaded(path)) << path;
        EXPECT_EQ(kx::MessageText(12), "Can't load");
    }
}

TEST_F(LanguageTest, CrashInLangStrEndsTheBindingAndKeepsTheLibrary) {
    std::string path = fx::FixturePath("lang_crash", "KxLang.dll");
    HMODULE lib = kx::LoadLanguage(path);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(kx::MessageText(12), "Chargement impossible");
    EXPECT_EQ(kx::LangStr(4453), "");  // this one faults
    EXPECT_EQ(kx::LangStr(4450), "");
    // The library is called no more: messages come from the built-in table.
    EXPECT_EQ(kx::LanguageText, nullptr);
    EXPECT_TRUE(kx::LanguageFaulted);
    EXPECT_EQ(kx::MessageText(12), "Can't load");
    kx::UnloadLanguage(lib);
    EXPECT_TRUE(fx::IsLoaded(path));  // not freed after its fault
    EXPECT_FALSE(kx::LanguageFaulted);

    // Another library binds as usual afterwards.
    std::string fr = fx::FixturePath("lang_fr", "KxLang.dll");
    HMODULE good = kx::LoadLanguage(fr);
    EXPECT_EQ(kx::MessageText(30), "Fonction absente de la DLL");
    kx::UnloadLanguage(good);
    EXPECT_FALSE(fx::IsLoaded(fr));
}

}  // namespace
