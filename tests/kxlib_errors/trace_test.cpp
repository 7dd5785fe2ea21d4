// The trace file on real files: Trace.txt beside ProgramPath, the numbered
// siblings when files are held open or read-only, the announcement.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>
#include <regex>

#include "framework/base/sysutils.h"
#include "framework/ui/application.h"
#include "tests/kxlib_errors/langstub.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/trace.h"

namespace {

class TraceFile : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application.Initialize();
        fw::Application.SetTitle("Orvanta UnInstall");
        kx::TraceFileName.clear();
        kx::ProgramPath = dir / "uninstall.exe";
    }
    void TearDown() override { kx::TraceFileName.clear(); }

    std::string Sibling(int n) const {
        return n == 0 ? dir / "Trace.txt" : dir / ("Trace" + std::to_string(n) + ".txt");
    }
    std::string Note(int n) const { return "Trace: Can't open file " + Sibling(n) + "\r\n"; }

    ts::ScratchDir dir{"kxlib_trace"};
};

// "\r\n\r\n***** <date> <time>\t<text>\r\n", with the stamp in the system's
// short date and long time formats, taken between Before and After.
::testing::AssertionResult IsStamped(const std::string& entry, const std::string& text,
                                     const std::string& before, const std::string& after) {
    const std::string head = "\r\n\r\n***** ";
    const std::string tail = "\t" + text + "\r\n";
    if (entry.size() < head.size() + tail.size() || entry.compare(0, head.size(), head) != 0 ||
        entry.compare(entry.size() - tail.size(), tail.size(), tail) != 0)
        return ::testing::AssertionFailure() << "not a stamped entry: [" << entry << "]";
    std::string stamp = entry.substr(head.size(), entry.size() - head.size() - tail.size());
    if (stamp != before && stamp != after)
        return ::testing::AssertionFailure() << "stamp [" << stamp << "] is not [" << before << "]";
    return ::testing::AssertionSuccess();
}

TEST_F(TraceFile, NothingIsWrittenBeforeOpenTrace) {
    kx::Trace("CleanUpFiles");
    kx::TraceStamp("stamped");
    for (int n = 0; n <= 10; ++n) EXPECT_FALSE(ts::FileExists(Sibling(n))) << n;
}

TEST_F(TraceFile, ResetBeginsWithTheStampedOpeningEntry) {
    ASSERT_TRUE(ts::WriteTextFile(Sibling(0), "an older run\r\n"));
    std::string before = fw::NowAsText();
    kx::OpenTrace(true, false);
    std::string after = fw::NowAsText();
    EXPECT_EQ(kx::TraceFileName, dir / "Trace.txt");
    std::string opening = ts::ReadTextFile(Sibling(0));
    EXPECT_TRUE(IsStamped(opening, "Ouverture trace", before, after));
    kx::Trace("CleanUpFiles");
    kx::Trace("two\r\nlines");
    EXPECT_EQ(ts::ReadTextFile(Sibling(0)), opening + "CleanUpFiles\r\ntwo\r\nlines\r\n");
}

TEST_F(TraceFile, WithoutResetTheFileGrows) {
    ASSERT_TRUE(ts::WriteTextFile(Sibling(0), "kept\r\n"));
    kx::OpenTrace(false, false);
    kx::Trace("more");
    EXPECT_EQ(ts::ReadTextFile(Sibling(0)), "kept\r\nmore\r\n");
}

TEST_F(TraceFile, TheAnnouncementComesOnceAndEachResetStartsAfresh) {
    auto first = ts::AnswerDialogAsync(0, "OK");
    kx::OpenTrace(true, true);
    ts::Dialog d = first.get();
    EXPECT_EQ(d.caption, "Orvanta UnInstall");
    // "Trace activée :" with é as the one ANSI byte E9.
    EXPECT_EQ(d.text, "Trace activ\xE9" "e :\r\n" + dir / "Trace.txt");
    EXPECT_EQ(d.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_EQ(d.icon, "");
    kx::Trace("first run");

    auto second = ts::AnswerDialogAsync(0, "OK", 1500);
    std::string before = fw::NowAsText();
    kx::OpenTrace(true, true);
    std::string after = fw::NowAsText();
    EXPECT_FALSE(second.get().hwnd) << "announced twice";
    EXPECT_TRUE(IsStamped(ts::ReadTextFile(Sibling(0)), "Ouverture trace", before, after));
}

TEST_F(TraceFile, AnnounceOffShowsNothing) {
    auto none = ts::AnswerDialogAsync(0, "OK", 1500);
    kx::OpenTrace(true, false);
    EXPECT_FALSE(none.get().hwnd);
}

TEST_F(TraceFile, ResetOfAHeldFileRaisesFileLocked) {
    ASSERT_TRUE(ts::WriteTextFile(Sibling(0), "held\r\n"));
    {
        ts::LockedFile held(Sibling(0));
        ASSERT_TRUE(held.Held());
        try {
            kx::OpenTrace(true, false);
            ADD_FAILURE() << "no error for a trace file that cannot be deleted";
        } catch (const kx::EOrvantaError& e) {
            EXPECT_EQ(e.Code, 11);
            EXPECT_EQ(e.Context, dir / "Trace.txt");
            EXPECT_EQ(e.Message(), "File locked : " + dir / "Trace.txt");
        }
        // The opening entry is not written, not even to a sibling.
        EXPECT_FALSE(ts::FileExists(Sibling(1)));
    }
    // Tracing is on all the same.
    EXPECT_EQ(kx::TraceFileName, dir / "Trace.txt");
    kx::Trace("later");
    EXPECT_EQ(ts::ReadTextFile(Sibling(0)), "held\r\nlater\r\n");
}

TEST_F(TraceFile, AHeldFileSendsTheEntryToTheNextSiblingWithNotes) {
    kx::OpenTrace(false, false);
    {
        ts::LockedFile held(Sibling(0));
        ASSERT_TRUE(held.Held());
        kx::Trace("CleanUpFiles");
        EXPECT_EQ(ts::ReadTextFile(Sibling(1)), Note(0) + "CleanUpFiles\r\n");
        {
            ts::LockedFile held1(Sibling(1));
            kx::Trace("CleanUpRegistry");
        }
        // The most recent failure first.
        EXPECT_EQ(ts::ReadTextFile(Sibling(2)), Note(1) + Note(0) + "CleanUpRegistry\r\n");
    }
    EXPECT_EQ(ts::ReadTextFile(Sibling(0)), "");
    kx::Trace("free again");
    EXPECT_EQ(ts::ReadTextFile(Sibling(0)), "free again\r\n");
}

TEST_F(TraceFile, TheNoteUsesTheLanguageText) {
    kx::OpenTrace(false, false);
    tl::LanguageBound lang({{5, "Ouverture impossible"}});
    ts::LockedFile held(Sibling(0));
    kx::Trace("x");
    EXPECT_EQ(ts::ReadTextFile(Sibling(1)),
              "Trace: Ouverture impossible " + Sibling(0) + "\r\nx\r\n");
}

TEST_F(TraceFile, ElevenUnwritableFilesLoseTheEntrySilently) {
    kx::OpenTrace(false, false);
    for (int n = 0; n <= 10; ++n) ASSERT_TRUE(ts::WriteTextFile(Sibling(n), "held\r\n"));
    {
        std::vector<std::unique_ptr<ts::LockedFile>> held;
        for (int n = 0; n <= 10; ++n) {
            held.push_back(std::make_unique<ts::LockedFile>(Sibling(n)));
            ASSERT_TRUE(held.back()->Held()) << n;
        }
        EXPECT_NO_THROW(kx::Trace("lost"));
        EXPECT_NO_THROW(kx::TraceStamp("lost too"));
        EXPECT_FALSE(ts::FileExists(dir / "Trace11.txt"));

        // With the last sibling free, it takes the entry and the ten notes.
        held.back().reset();
        kx::Trace("last chance");
    }
    for (int n = 0; n <= 9; ++n) EXPECT_EQ(ts::ReadTextFile(Sibling(n)), "held\r\n") << n;
    std::string expected = "held\r\n";
    for (int n = 9; n >= 0; --n) expected += Note(n);
    EXPECT_EQ(ts::ReadTextFile(Sibling(10)), expected + "last chance\r\n");
}

}  // namespace
