// The user's language: "UserLanguage" from the product's configuration picks
// <product>\Lang\<language>\KxLang.dll, which translates the window and the
// outcome messages; a missing library, store or value, or a language name
// that would lead out of the Lang folder, leaves the English texts.
#include <gtest/gtest.h>

#include "tests/uninstall_startup/e2e.h"

namespace {

const char kFrenchCaption[] = "D\xE9sinstallation de Lumadesk";
const char kFrenchLine[] = "Ce programme va d\xE9sinstaller Orvanta Lumadesk.";
const char kFrenchUserFiles[] = "Vos fichiers :";
const char kFrenchKeep[] =
    "En dehors de ces fichiers, toutes les donn\xE9" "es du dossier suivant seront effac\xE9" "es :";
const char kFrenchErase[] = "Toutes les donn\xE9" "es du dossier suivant seront effac\xE9" "es :";
const char kFrenchAborted[] = "D\xE9sinstallation interrompue.";
const char kEnglishLine[] = "This program will uninstall Orvanta Lumadesk.";

using Language = e2e::StageTest;

void ExpectEnglish(ts::Uninstaller& u) {
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.caption, "Orvanta Uninstall");
    ASSERT_FALSE(v.labels.empty());
    EXPECT_EQ(v.labels.front(), kEnglishLine);
    EXPECT_EQ(v.buttons, (std::vector<std::string>{"&Ok", "&Cancel"}));
    ASSERT_TRUE(u.Press("Cancel"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.text, "Uninstall aborted.");
    EXPECT_EQ(o.exitCode, 1602u);
}

TEST_F(Language, FrenchLibraryTranslatesTheWindowAndTheMessages) {
    StageInstallation();
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Notes.txt", ts::LaterStamp()));
    StageFrenchLibrary("fr");
    // No ConfigKey: the product's own INI file holds the language.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[General]\r\nUserLanguage=fr\r\n"));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.caption, kFrenchCaption);
    EXPECT_EQ(v.labels, (std::vector<std::string>{kFrenchLine, kFrenchUserFiles, kFrenchKeep, product}));
    EXPECT_EQ(v.checkText, "Supprimer aussi vos fichiers");
    EXPECT_EQ(v.buttons, (std::vector<std::string>{"&Valider", "&Annuler"}));
    EXPECT_EQ(v.listItems, std::vector<std::string>{"Doc\\Notes.txt"});
    v = e2e::ClickCheckBox(w);
    ASSERT_EQ(v.labels.size(), 4u);
    EXPECT_EQ(v.labels[2], kFrenchErase);

    ASSERT_TRUE(u.Press("Annuler"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.caption, "Orvanta UnInstall");
    EXPECT_EQ(o.dialog.text, kFrenchAborted);
    EXPECT_EQ(o.exitCode, 1602u);
}

TEST_F(Language, RegistryConfigKeyGivesTheLanguageOfTheCurrentUser) {
    StageInstallation();
    StageFrenchLibrary("Francais");
    const std::string key = ConfigKeyPath();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", product));
    // The machine's value is not the one read.
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "UserLanguage", "en"));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "UserLanguage", "Francais"));
    {
        // From an uninstall entry's ConfigKey.
        StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"ConfigKey", key}});
        auto u = Start(ts::Quote(entry));
        HWND w = u.Window();
        ASSERT_TRUE(w);
        auto v = e2e::ReadWindow(w);
        EXPECT_EQ(v.caption, kFrenchCaption);
        ASSERT_FALSE(v.labels.empty());
        EXPECT_EQ(v.labels.front(), kFrenchLine);
        // No user files: the check box is checked, the warning says so.
        EXPECT_EQ(v.labels, (std::vector<std::string>{kFrenchLine, kFrenchErase, product}));
        ASSERT_TRUE(u.Press("Annuler"));
        EXPECT_EQ(e2e::AwaitOutcome(u).dialog.text, kFrenchAborted);
    }
    {
        // From a configuration location that is the registry key.
        auto u = Start(ts::Quote(key));
        HWND w = u.Window();
        ASSERT_TRUE(w);
        EXPECT_EQ(e2e::ReadWindow(w).caption, kFrenchCaption);
        ASSERT_TRUE(u.Press("Annuler"));
        EXPECT_EQ(e2e::AwaitOutcome(u).dialog.text, kFrenchAborted);
    }
}

TEST_F(Language, IniArgumentIsNotKeptButAnotherExtensionIs) {
    StageInstallation();
    StageFrenchLibrary("fr");
    const std::string body = "[General]\r\nPath=" + product + "\r\nUserLanguage=fr\r\n";
    {
        // An .ini argument is not kept: the language would come from the
        // product's own Bin\Lumadesk.ini, which does not exist.
        const std::string ini = dir / "Setup\\Lumadesk.ini";
        ASSERT_TRUE(ts::WriteTextFile(ini, body));
        auto u = Start(ts::Quote(ini));
        ExpectEnglish(u);
    }
    {
        // Another extension stays as the configuration location.
        const std::string cfg = dir / "Setup\\Lumadesk.cfg";
        ASSERT_TRUE(ts::WriteTextFile(cfg, body));
        auto u = Start(ts::Quote(cfg));
        HWND w = u.Window();
        ASSERT_TRUE(w);
        EXPECT_EQ(e2e::ReadWindow(w).caption, kFrenchCaption);
        ASSERT_TRUE(u.Press("Annuler"));
        EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
    }
}

TEST_F(Language, MissingLibraryLeavesEnglish) {
    StageInstallation();
    StageFrenchLibrary("fr");
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[General]\r\nUserLanguage=de\r\n"));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    auto u = Start(ts::Quote(entry));
    ExpectEnglish(u);
}

TEST_F(Language, MissingStoreSectionOrValueLeavesEnglish) {
    StageInstallation();
    StageFrenchLibrary("fr");
    // A ConfigKey whose current-user key does not exist.
    const std::string key = ConfigKeyPath();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"ConfigKey", key}});
    {
        auto u = Start(ts::Quote(entry));
        ExpectEnglish(u);
    }
    // The key exists but has no UserLanguage.
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "Other", "fr"));
    {
        auto u = Start(ts::Quote(entry));
        ExpectEnglish(u);
    }
    // The INI file's language is in another section.
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[Options]\r\nUserLanguage=fr\r\n"));
    {
        auto u = Start(ts::Quote(entry));
        ExpectEnglish(u);
    }
}

// A language name that leads out of <product>\Lang\ is refused, even when the
// library it names exists.
class LanguageName : public e2e::StageTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LanguageName, ThatLeavesTheLangFolderIsRefused) {
    StageInstallation();
    StageFrenchLibrary("fr");
    // Libraries where each refused name would lead.
    ASSERT_TRUE(ts::CopyFileTo(ts::FixtureFile("lang_fr", "KxLang.dll"), product + "\\Bin\\KxLang.dll"));
    ASSERT_TRUE(ts::CopyFileTo(ts::FixtureFile("lang_fr", "KxLang.dll"), product + "\\KxLang.dll"));
    ASSERT_TRUE(ts::CopyFileTo(ts::FixtureFile("lang_fr", "KxLang.dll"), dir / "Other\\KxLang.dll"));
    const std::string language = GetParam();
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[General]\r\nUserLanguage=" + language + "\r\n"));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    auto u = Start(ts::Quote(entry));
    ExpectEnglish(u);
}

INSTANTIATE_TEST_SUITE_P(Names, LanguageName,
                         ::testing::Values("..\\Lang\\fr", "fr\\..\\fr", "..\\Bin", "..", "fr/", "..\\..\\Other",
                                           "fr\\..\\..\\Bin"),
                         [](const auto& row) { return "Case" + std::to_string(row.index); });

// The same staging with a plain name does translate: the refusals above are
// not an accident of the staging.
TEST_F(Language, PlainNameBesideTheRefusedOnesTranslates) {
    StageInstallation();
    StageFrenchLibrary("fr.utf");
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[General]\r\nUserLanguage=fr.utf\r\n"));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w);
    EXPECT_EQ(e2e::ReadWindow(w).caption, kFrenchCaption);
    ASSERT_TRUE(u.Press("Annuler"));
    EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
}

}  // namespace
