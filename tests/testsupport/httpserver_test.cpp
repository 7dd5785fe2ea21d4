// The loopback HTTP server, fetched from with the platform's own WinInet.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include "tests/support/httpserver.h"

namespace {

struct InetHandle {
    HINTERNET h = nullptr;
    explicit InetHandle(HINTERNET x) : h(x) {}
    ~InetHandle() { if (h) InternetCloseHandle(h); }
    InetHandle(const InetHandle&) = delete;
    InetHandle& operator=(const InetHandle&) = delete;
};

struct Fetched {
    bool opened = false;
    DWORD error = 0;  // GetLastError of a failed open
    DWORD status = 0;
    std::string contentType;
    std::string body;
};

// A GET through WinInet, bypassing any proxy and cache.
Fetched Get(const std::string& url, const char* extraHeaders = nullptr) {
    Fetched f;
    InetHandle session(InternetOpenA("orvtest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.h) { f.error = GetLastError(); return f; }
    DWORD timeout = 5000;
    InternetSetOptionA(session.h, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    InetHandle req(InternetOpenUrlA(session.h, url.c_str(), extraHeaders,
                                    extraHeaders ? static_cast<DWORD>(-1) : 0,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!req.h) { f.error = GetLastError(); return f; }
    f.opened = true;
    DWORD size = sizeof f.status;
    HttpQueryInfoA(req.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &f.status, &size, nullptr);
    char type[256] = "(sentinel)";
    size = sizeof type;
    if (HttpQueryInfoA(req.h, HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) f.contentType = type;
    char buf[4096];
    DWORD n = 0;
    while (InternetReadFile(req.h, buf, sizeof buf, &n) && n > 0) f.body.append(buf, n);
    return f;
}

TEST(LoopbackHttpServer, AnswersEachPathAsSetAndRecordsRequestsInOrder) {
    ts::LoopbackHttpServer server;
    ASSERT_TRUE(server.Start()) << "Winsock error " << server.LastError();
    ASSERT_NE(server.Port(), 0);
    EXPECT_EQ(server.Url("/a"), "http://127.0.0.1:" + std::to_string(server.Port()) + "/a");
    std::string pdf = "%PDF-1.4\n" + std::string(10000, 'x') + "\n%%EOF\n";
    server.SetResponse("/docs/manual.pdf", {200, pdf, "application/pdf"});

    Fetched got = Get(server.Url("/docs/manual.pdf?page=3&zoom=150"), "X-Orv-Test: one\r\n");
    ASSERT_TRUE(got.opened) << "error " << got.error;
    EXPECT_EQ(got.status, 200u);
    EXPECT_EQ(got.contentType, "application/pdf");
    EXPECT_EQ(got.body, pdf);

    Fetched missing = Get(server.Url("/nothing"));
    ASSERT_TRUE(missing.opened) << "error " << missing.error;
    EXPECT_EQ(missing.status, 404u);

    ASSERT_TRUE(server.WaitForRequests(2, 5000));
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].method, "GET");
    EXPECT_EQ(reqs[0].target, "/docs/manual.pdf?page=3&zoom=150");
    EXPECT_EQ(reqs[0].Path(), "/docs/manual.pdf");
    EXPECT_EQ(reqs[0].Query(), "page=3&zoom=150");
    EXPECT_EQ(reqs[0].Header("x-orv-test"), "one");
    EXPECT_EQ(reqs[0].Header("host"), "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(reqs[1].target, "/nothing");
    EXPECT_FALSE(server.WaitForRequests(3, 200));  // no third request comes
}

TEST(LoopbackHttpServer, DelaysAndDroppedConnectionsReachTheClient) {
    ts::LoopbackHttpServer server;
    ASSERT_TRUE(server.Start()) << "Winsock error " << server.LastError();
    ts::HttpResponse slow{200, "late", "text/plain"};
    slow.delayMs = 600;
    server.SetResponse("/slow", slow);
    ts::HttpResponse dropped;
    dropped.drop = true;
    server.SetResponse("/drop", dropped);

    DWORD t0 = GetTickCount();
    Fetched late = Get(server.Url("/slow"));
    EXPECT_GE(GetTickCount() - t0, 550u);
    ASSERT_TRUE(late.opened) << "error " << late.error;
    EXPECT_EQ(late.body, "late");

    Fetched none = Get(server.Url("/drop"));
    EXPECT_TRUE(!none.opened || none.status == 0) << "status " << none.status;
    EXPECT_TRUE(server.WaitForRequests(2, 5000));
    EXPECT_EQ(server.Requests().back().target, "/drop");
}

TEST(LoopbackHttpServer, StopsPromptlyWithARequestStillWaiting) {
    DWORD t0 = GetTickCount();
    {
        ts::LoopbackHttpServer server;
        ASSERT_TRUE(server.Start());
        ts::HttpResponse never{200, "x", "text/plain"};
        never.delayMs = 60000;
        server.SetResponse("/never", never);
        std::thread client([&] { Get(server.Url("/never")); });
        ASSERT_TRUE(server.WaitForRequests(1, 5000));
        server.Stop();
        client.join();
    }
    EXPECT_LT(GetTickCount() - t0, 8000u);
}

}  // namespace
