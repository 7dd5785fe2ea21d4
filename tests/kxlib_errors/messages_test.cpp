// Message texts: the built-in table, BuildMessage and EnsureEnding with and
// without a language library (a stand-in LangStr), EOrvantaError and the
// raise routines.
#include <gtest/gtest.h>

#include "tests/kxlib_errors/langstub.h"
#include "uninstall/kxlib/errors.h"

using kx::BuildMessage;
using kx::EnsureEnding;

namespace {

struct Worked {
    std::int32_t code;
    const char* context;
    const char* ending;
    const char* result;
};

TEST(BuildMessage, WorkedResults) {
    const Worked cases[] = {
        {28, "HKEY_LOCAL_MACHINE\\Software\\Orvanta\\Lumadesk", "",
         "Key not found in Configuration Parameters : HKEY_LOCAL_MACHINE\\Software\\Orvanta\\Lumadesk"},
        {12, "C:\\x\\KxLang.dll", ".", "Can't load : C:\\x\\KxLang.dll."},
        {41, "", ".", "Invalid parameter."},
        {68, "", "", "Error 68"},
        {56, "", ".", "Orvanta Lumadesk files were found !"},
        {0, "Uninstall completed!", ".", "Uninstall completed!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code);
        EXPECT_EQ(BuildMessage(c.code, c.context, c.ending, false), c.result);
        // Without a language library the code suffix never appears.
        EXPECT_EQ(BuildMessage(c.code, c.context, c.ending, true), c.result);
    }
}

TEST(ErrorText, HoldsExactlyTheBuiltInEntries) {
    int count = 0;
    for (std::uint32_t n = 0; n <= 0xFFFF; ++n)
        if (!kx::ErrorText(static_cast<std::uint16_t>(n)).empty()) ++count;
    EXPECT_EQ(count, 43);
    // Texts whose exact form matters: the blank before "!", the period of 54.
    EXPECT_EQ(kx::ErrorText(56), "Orvanta Lumadesk files were found !");
    EXPECT_EQ(kx::ErrorText(54), "Can't find Orvanta Lumadesk configuration Parameters.");
    EXPECT_EQ(kx::ErrorText(5), "Can't open file");
    EXPECT_EQ(kx::ErrorText(11), "File locked");
    EXPECT_EQ(kx::ErrorText(113),
              "Remote Lumadesk settings don't allow to connect this computer as a local station");
    EXPECT_EQ(kx::ErrorText(15015), "Invalid CD-ROM");
    EXPECT_EQ(kx::ErrorText(3718), "Abort");
    for (std::uint16_t none : {0, 1, 14, 26, 51, 68, 500, 65535})
        EXPECT_EQ(kx::ErrorText(none), "") << none;
}

TEST(BuildMessage, CodeZeroIsTheContextUnchanged) {
    EXPECT_EQ(BuildMessage(0, "", ".", false), "");
    EXPECT_EQ(BuildMessage(0, "no ending here", ".", true), "no ending here");
    EXPECT_EQ(BuildMessage(0, "a//b||c", ".", false), "a//b||c");
    tl::LanguageBound lang({{139, "Code"}});
    EXPECT_EQ(BuildMessage(0, "plain", ".", true), "plain");
}

TEST(BuildMessage, CodesWithoutTextShowTheirNumber) {
    EXPECT_EQ(BuildMessage(14, "C:\\x", ".", false), "Error 14 : C:\\x.");
    EXPECT_EQ(BuildMessage(51, "", ".", false), "Error 51.");
    // The text is chosen by the low 16 bits; the number shown is the whole code.
    EXPECT_EQ(BuildMessage(65536 + 14, "", "", false), "Error 65550");
    EXPECT_EQ(BuildMessage(65536 + 41, "", ".", false), "Invalid parameter.");
    EXPECT_EQ(BuildMessage(-65536 + 41, "", ".", false), "Invalid parameter.");
    EXPECT_EQ(BuildMessage(-3, "", "", false), "Error -3");
}

TEST(BuildMessage, ContextOf200IsJoinedOn201GoesOnItsOwnLine) {
    const std::string c200(200, 'p');
    const std::string c201(201, 'q');
    EXPECT_EQ(BuildMessage(4, c200, ".", false), "File not found : " + c200 + ".");
    EXPECT_EQ(BuildMessage(4, c201, ".", false), "File not found. :\r\n" + c201 + ".");
    // The long context takes "." whatever the ending; the message takes the ending.
    EXPECT_EQ(BuildMessage(4, c201, "", false), "File not found :\r\n" + c201 + ".");
    EXPECT_EQ(BuildMessage(4, c201 + "!", "", false), "File not found :\r\n" + c201 + "!");
    EXPECT_EQ(BuildMessage(4, std::string(199, 'r') + ".", "", false),
              "File not found : " + std::string(199, 'r') + ".");
    // A context is a short string: only its first 255 characters count.
    EXPECT_EQ(BuildMessage(4, std::string(300, 's'), ".", false),
              "File not found. :\r\n" + std::string(255, 's'));
}

TEST(BuildMessage, EndingsOfTheContext) {
    EXPECT_EQ(BuildMessage(11, "C:\\a.txt.", ".", false), "File locked : C:\\a.txt.");
    EXPECT_EQ(BuildMessage(11, "Stop!", ".", false), "File locked : Stop!");
    EXPECT_EQ(BuildMessage(11, "Why?", ".", false), "File locked : Why?.");
    EXPECT_EQ(BuildMessage(11, "C:\\a", "", false), "File locked : C:\\a");
    // A message that ends in "." or "!" gets no second ending.
    EXPECT_EQ(BuildMessage(54, "", ".", false),
              "Can't find Orvanta Lumadesk configuration Parameters.");
}

TEST(EnsureEnding, Rules) {
    EXPECT_EQ(EnsureEnding("", "."), ".");
    EXPECT_EQ(EnsureEnding("", ""), "");
    EXPECT_EQ(EnsureEnding("text", ""), "text");
    EXPECT_EQ(EnsureEnding("text", "."), "text.");
    EXPECT_EQ(EnsureEnding("text.", "."), "text.");
    EXPECT_EQ(EnsureEnding("text!", "?"), "text!");
    EXPECT_EQ(EnsureEnding("text?", "?"), "text?");
    EXPECT_EQ(EnsureEnding("text...", " :"), "text...");
    EXPECT_EQ(EnsureEnding("a :", " :"), "a :");
    // Compared exactly, letter case included.
    EXPECT_EQ(EnsureEnding("fileEND", "end"), "fileENDend");
    // The result is a short string.
    EXPECT_EQ(EnsureEnding(std::string(255, 'x'), "."), std::string(255, 'x'));
    EXPECT_EQ(EnsureEnding(std::string(254, 'x'), "--"), std::string(254, 'x') + "-");
}

TEST(BuildMessage, AFullLengthMessageAloneHasNoRoomForTheEnding) {
    // A language text is at most 255 characters long.
    const std::string full(255, 'm');
    tl::LanguageBound lang({{77, full}});
    EXPECT_EQ(BuildMessage(77, "", ".", false), full);
    EXPECT_EQ(BuildMessage(77, "ctx", ".", false), full + " : ctx.");
    EXPECT_EQ(BuildMessage(77, std::string(201, 'c'), ".", false),
              full + " :\r\n" + std::string(201, 'c') + ".");
}

TEST(LanguageText, ReplacesTheBuiltInTable) {
    tl::LanguageBound lang({{41, "Parametre invalide"},
                            {12, "Chargement impossible"},
                            {139, "Code"},
                            {1, "premier//second"},
                            {2, "un||deux"},
                            {3, "a|||b////c"},
                            {6, "Le fichier suit ://"}});
    EXPECT_EQ(BuildMessage(41, "", ".", false), "Parametre invalide.");
    EXPECT_EQ(BuildMessage(12, "C:\\x\\KxLang.dll", ".", false),
              "Chargement impossible : C:\\x\\KxLang.dll.");
    // "//" and "||" break lines, left to right, inserted text not looked at again.
    EXPECT_EQ(BuildMessage(1, "", "", false), "premier\r\nsecond");
    EXPECT_EQ(BuildMessage(2, "", ".", false), "un\r\ndeux.");
    EXPECT_EQ(BuildMessage(3, "", "", false), "a\r\n|b\r\n\r\nc");
    // A message that ends in a line break is followed directly by the context.
    EXPECT_EQ(BuildMessage(6, "C:\\f.txt", ".", false), "Le fichier suit :\r\nC:\\f.txt.");
    // The table is not consulted while a library is bound, even for an empty text.
    EXPECT_EQ(BuildMessage(11, "C:\\a", ".", false), "Error 11 : C:\\a.");
    EXPECT_EQ(kx::MessageText(5), "");
    // The code suffix, with the library's word for it.
    EXPECT_EQ(BuildMessage(41, "", ".", true), "Parametre invalide.\r\n[Code 41]");
    EXPECT_EQ(BuildMessage(65536 + 12, "C:\\x", ".", true),
              "Chargement impossible : C:\\x.\r\n[Code 65548]");
    // The library is asked for the low 16 bits of the code.
    tl::LangAsked.clear();
    BuildMessage(65536 + 41, "", ".", false);
    ASSERT_EQ(tl::LangAsked.size(), 1u);
    EXPECT_EQ(tl::LangAsked[0], 41u);
}

TEST(LanguageText, UnboundAgainTheTableServes) {
    { tl::LanguageBound lang({{41, "Parametre invalide"}}); }
    EXPECT_EQ(BuildMessage(41, "", ".", true), "Invalid parameter.");
}

TEST(EOrvantaError, CarriesCodeContextAndMessageWithoutEnding) {
    try {
        kx::RaiseError(12, "C:\\x\\KxLang.dll");
        FAIL() << "RaiseError returned";
    } catch (const kx::EOrvantaError& e) {
        EXPECT_EQ(e.Code, 12);
        EXPECT_EQ(e.Context, "C:\\x\\KxLang.dll");
        EXPECT_EQ(e.Message(), "Can't load : C:\\x\\KxLang.dll");
        EXPECT_STREQ(e.what(), "Can't load : C:\\x\\KxLang.dll");
    }
    // Caught as the framework's exception, the message is the same.
    try {
        kx::RaiseError(0, "Uninstall aborted.");
    } catch (const fw::Exception& e) {
        EXPECT_EQ(e.Message(), "Uninstall aborted.");
    }
    tl::LanguageBound lang({{139, "Code"}, {41, "Parametre invalide"}});
    try {
        kx::RaiseError(41, std::string(300, 'z'));
    } catch (const kx::EOrvantaError& e) {
        // The code suffix is off in this program; the context is a short string.
        EXPECT_EQ(e.Message(), "Parametre invalide :\r\n" + std::string(255, 'z'));
        EXPECT_EQ(e.Context, std::string(255, 'z'));
    }
}

TEST(EOrvantaError, RaiseLoggedWithoutLogIsRaiseError) {
    try {
        kx::RaiseLogged(30, "GetLangLongString");
        FAIL() << "RaiseLogged returned";
    } catch (const kx::EOrvantaError& e) {
        EXPECT_EQ(e.Code, 30);
        EXPECT_EQ(e.Context, "GetLangLongString");
        EXPECT_EQ(e.Message(), "Function not found in DLL : GetLangLongString");
    }
}

}  // namespace
