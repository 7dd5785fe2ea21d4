// The error log writer on real files: banner and title of a new log, stamps,
// the line rules and the 10000-character cut, the retry while the log is held.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "framework/base/sysutils.h"
#include "framework/ui/application.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"

namespace {

int Ticks;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++Ticks; }

class ErrorLog : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application.Initialize();
        fw::Application.SetTitle("Orvanta UnInstall");
    }
    const std::string banner =
        "==================== errors.log ====================\r\nOrvanta UnInstall\r\n";
    ts::ScratchDir dir{"kxlib_errorlog"};
    std::string log = dir / "errors.log";
};

TEST_F(ErrorLog, ANewLogBeginsWithBannerAndTitle) {
    kx::WriteErrorLogFile(log, "plain", false);
    EXPECT_EQ(ts::ReadTextFile(log), banner + "plain\r\n");
    kx::WriteErrorLogFile(log, "second", false);
    EXPECT_EQ(ts::ReadTextFile(log), banner + "plain\r\nsecond\r\n");
}

TEST_F(ErrorLog, AnExistingFileIsAppendedToWithoutBanner) {
    ASSERT_TRUE(ts::WriteTextFile(log, "someone else's\r\n"));
    kx::WriteErrorLogFile(log, "entry", false);
    EXPECT_EQ(ts::ReadTextFile(log), "someone else's\r\nentry\r\n");
}

TEST_F(ErrorLog, StampedEntriesAndLinesWithLineBreaks) {
    std::string before = fw::NowAsText();
    kx::WriteErrorLogFile(log, "simple", true);
    kx::WriteErrorLogFile(log, "Error:\r\n\"Can't load : C:\\x.\"", true);
    std::string after = fw::NowAsText();
    std::string t = ts::ReadTextFile(log);
    ASSERT_EQ(t.compare(0, banner.size(), banner), 0) << t;
    t.erase(0, banner.size());
    // Either stamp may have seen the clock tick; accept both readings.
    bool matched = false;
    for (const auto& s1 : {before, after})
        for (const auto& s2 : {before, after})
            matched |= t == "\r\n\r\n***** " + s1 + "\tsimple\r\n" + "\r\n\r\n\r\n***** " + s2 +
                                "\tError:\r\n\"Can't load : C:\\x.\"\r\n\r\n";
    EXPECT_TRUE(matched) << "[" << t << "] stamped " << before;
}

TEST_F(ErrorLog, EachLineIsCutAt10000Characters) {
    ASSERT_TRUE(ts::WriteTextFile(log, ""));
    kx::WriteErrorLogFile(log, std::string(9998, 'b'), false);   // fits with its line end
    kx::WriteErrorLogFile(log, std::string(9999, 'c'), false);   // loses the LF
    kx::WriteErrorLogFile(log, std::string(12000, 'a'), false);  // loses the rest
    kx::WriteErrorLogFile(log, "x\r\n" + std::string(9995, 'd'), false);
    kx::WriteErrorLogFile(log, "end", false);
    EXPECT_EQ(ts::ReadTextFile(log), std::string(9998, 'b') + "\r\n" + std::string(9999, 'c') +
                                         "\r" + std::string(10000, 'a') + "\r\nx\r\n" +
                                         std::string(9995, 'd') + "end\r\n");
}

TEST_F(ErrorLog, AHeldLogIsRetriedWhileMessagesAreHandled) {
    ASSERT_TRUE(ts::WriteTextFile(log, "start\r\n"));
    std::optional<ts::LockedFile> held(std::in_place, log);
    ASSERT_TRUE(held->Held());
    Ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, CountTick);
    std::thread release([&] {
        Sleep(500);
        held.reset();
    });
    DWORD start = GetTickCount();
    kx::WriteErrorLogFile(log, "late", false, 5000);
    DWORD took = GetTickCount() - start;
    release.join();
    KillTimer(nullptr, timer);
    EXPECT_EQ(ts::ReadTextFile(log), "start\r\nlate\r\n");
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 4000u);
    EXPECT_GT(Ticks, 0) << "no window message was handled while waiting";
}

TEST_F(ErrorLog, ALogHeldTooLongDropsTheEntry) {
    ASSERT_TRUE(ts::WriteTextFile(log, "start\r\n"));
    {
        ts::LockedFile held(log);
        DWORD start = GetTickCount();
        kx::WriteErrorLogFile(log, "dropped", true, 600);
        DWORD took = GetTickCount() - start;
        EXPECT_GE(took, 550u);
        EXPECT_LT(took, 3000u);
    }
    EXPECT_EQ(ts::ReadTextFile(log), "start\r\n");
}

TEST_F(ErrorLog, OthersMayReadButNotWriteWhileAnEntryIsWritten) {
    // The log is opened denying other writers: a reader gets in, a writer not.
    ASSERT_TRUE(ts::WriteTextFile(log, ""));
    fw::UniqueFile reader(CreateFileA(log.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    ASSERT_TRUE(reader);
    kx::WriteErrorLogFile(log, "read along", false, 500);
    EXPECT_EQ(ts::ReadTextFile(log), "read along\r\n");
    fw::UniqueFile writer(CreateFileA(log.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    ASSERT_TRUE(writer);
    DWORD start = GetTickCount();
    kx::WriteErrorLogFile(log, "refused", false, 400);
    EXPECT_GE(GetTickCount() - start, 350u);
    writer.reset();
    EXPECT_EQ(ts::ReadTextFile(log), "read along\r\n");
}

}  // namespace
