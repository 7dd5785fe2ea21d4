// DownloadToTempFile over WinInet against a loopback HTTP server started by
// the test, with TMP and TEMP pointing at a scratch folder of the test's own.
#include <gtest/gtest.h>

#include <chrono>

#include "folvex/runtime/FolvexRoutines.h"
#include "framework/ui/application.h"
#include "tests/folvex_routines/scoped_env.h"
#include "tests/support/httpserver.h"
#include "tests/support/staging.h"

namespace {

class Download : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.Start()) << "Winsock error " << server_.LastError(); }

    // The message DownloadToTempFile raised, or "" when it returned.
    std::string Failure(const std::string& url, fw::TStrings* list = nullptr) {
        try {
            std::string name = folvex::DownloadToTempFile(url, list);
            ADD_FAILURE() << "returned " << name;
            return {};
        } catch (const fw::Exception& e) {
            return e.Message();
        }
    }
    // The files of the temporary folder whose names begin with "Download".
    std::vector<std::string> Downloads() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        fw::UniqueFind find(FindFirstFileA((temp_ / "Download*").c_str(), &fd));
        if (find)
            do names.push_back(fd.cFileName);
            while (FindNextFileA(find.get(), &fd));
        return names;
    }

    ts::ScratchDir temp_{"folvex_download"};
    const std::string tempDir_ = "c:\\orvtest\\folvex_download\\";  // as GetTempDir gives it
    ScopedEnv tmp_{"TMP", temp_.Path()};
    ScopedEnv temp2_{"TEMP", temp_.Path()};
    ts::LoopbackHttpServer server_;
};

TEST_F(Download, TakesTheNextFreeNameAndGivesItToTheList) {
    ASSERT_TRUE(ts::WriteTextFile(temp_ / "Download1.pdf", "one"));
    ASSERT_TRUE(ts::WriteTextFile(temp_ / "Download2.pdf", "two"));
    std::string body = "%PDF-1.4\n";
    while (body.size() < 25000) body += "line " + std::to_string(body.size()) + "\n";  // 3 reads
    server_.SetResponse("/docs/manual.pdf", {200, body, "application/pdf"});
    fw::Application.SetTitle("Folvex Routines");
    fw::TStringList list;
    list.Add("earlier");

    std::string name = folvex::DownloadToTempFile(server_.Url("/docs/manual.pdf"), &list);

    EXPECT_EQ(name, tempDir_ + "Download3.pdf");
    EXPECT_EQ(ts::ReadTextFile(name), body);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"earlier", name}));
    EXPECT_EQ(ts::ReadTextFile(temp_ / "Download1.pdf"), "one");
    ASSERT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(server_.Requests()[0].Header("User-Agent"), "Folvex Routines");
}

TEST_F(Download, ExtensionComesFromTheLastSegmentOfThePath) {
    const struct { const char* served; const char* target; const char* file; } cases[] = {
        {"/doc.pdf", "/doc.pdf?name=a.b/c:d*e", "Download1.pdf"},
        {"/get", "/get?file=report.pdf", "Download1"},
        {"/v1.2/readme", "/v1.2/readme", "Download1"},
        {"/Report.Final.PDF", "/Report.Final.PDF", "Download1.PDF"},
        {"/a.extension", "/a.extension", "Download1"},  // more than 8 characters
        {"/a.p-f", "/a.p-f", "Download1"},
    };
    for (const auto& c : cases) {
        server_.SetResponse(c.served, {200, "content of " + std::string(c.target)});
        std::string name = folvex::DownloadToTempFile(server_.Url(c.target));
        EXPECT_EQ(name, tempDir_ + c.file) << c.target;
        EXPECT_EQ(ts::ReadTextFile(name), "content of " + std::string(c.target)) << c.target;
        DeleteFileA(name.c_str());
    }
}

TEST_F(Download, NothingToKeepRaisesAndLeavesNoFile) {
    server_.SetResponse("/empty.pdf", {200, ""});
    ts::HttpResponse dropped;
    dropped.drop = true;
    server_.SetResponse("/dropped.pdf", dropped);
    const struct { const char* path; const char* message; } cases[] = {
        {"/empty.pdf", "File not found"},
        {"/missing.pdf", "File not found"},  // the server's 404 page
        {"/dropped.pdf", "Invalid Windows function call\r\nInternetOpenURL"},
    };
    for (const auto& c : cases) {
        std::string url = server_.Url(c.path);
        std::string expected = c.message;
        if (expected == "File not found") expected += "\r\n" + url;
        fw::TStringList list;
        EXPECT_EQ(Failure(url, &list), expected) << c.path;
        EXPECT_EQ(list.Count(), 0) << c.path;
        EXPECT_TRUE(Downloads().empty()) << c.path;
    }
    EXPECT_EQ(server_.Requests().size(), 3u);
}

TEST_F(Download, OtherSchemesRaiseBeforeAnyRequest) {
    std::string hostPort = server_.Url("").substr(std::string("http://").size());
    for (std::string url : {"file://" + hostPort + "/a.pdf", "gopher://" + hostPort + "/a.pdf",
                            std::string("mailto:someone@example.com"), std::string("C:\\Docs\\a.pdf"),
                            "http:/" + hostPort + "/a.pdf"}) {
        EXPECT_EQ(Failure(url), "File not found\r\n" + url);
    }
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_TRUE(Downloads().empty());
}

// A temporary folder in which no file can be made: the search for a name
// gives up with the error instead of running on.
TEST_F(Download, AFolderWithoutRoomForAFileEndsWithTheError) {
    ASSERT_TRUE(ts::WriteTextFile(temp_ / "blocker", "a file where the folder should be"));
    server_.SetResponse("/doc.pdf", {200, "content"});
    std::string url = server_.Url("/doc.pdf");
    for (std::string folder : {temp_ / "blocker", std::string("Q:\\NoSuchDrive\\Temp")}) {
        ScopedEnv tmp("TMP", folder), temp("TEMP", folder);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Failure(url), "File not found\r\n" + url) << folder;
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 60.0) << folder;
    }
    EXPECT_EQ(server_.Requests().size(), 2u);  // the failure came after the request
    EXPECT_EQ(Downloads(), std::vector<std::string>{});
}

}  // namespace
