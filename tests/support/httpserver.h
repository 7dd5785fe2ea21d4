// A loopback HTTP/1.1 server for tests: listens on 127.0.0.1 on a port the
// system picks, answers each path with a response the test sets (status,
// body, content type, a delay or a dropped connection) and records every
// request it receives, in order.  Each connection carries one request and is
// closed after the answer ("Connection: close").
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ts {

struct HttpResponse {
    HttpResponse() = default;
    HttpResponse(int status_, std::string body_, std::string contentType_ = "text/html")
        : status(status_), body(std::move(body_)), contentType(std::move(contentType_)) {}

    int status = 200;
    std::string body;
    std::string contentType = "text/html";
    std::vector<std::pair<std::string, std::string>> headers;  // extra response headers
    DWORD delayMs = 0;  // waits this long after the request before answering
    bool drop = false;  // closes the connection without any answer
};

struct HttpRequest {
    std::string method;
    std::string target;  // as sent: the path with its query string
    std::string version;  // "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
    std::string body;
    std::string Path() const;   // the target up to '?'
    std::string Query() const;  // the target after '?', "" without one
    // The value of a header, the name compared ignoring letter case; "" when absent.
    std::string Header(const std::string& name) const;
};

class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();  // stops the server and waits for its threads
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Listens on 127.0.0.1 on an ephemeral port and starts serving; false
    // (with the Winsock error in LastError()) when that fails.
    bool Start();
    // Stops listening, ends open connections and joins every thread.  Idempotent.
    void Stop();
    unsigned short Port() const { return port_; }
    int LastError() const { return lastError_; }
    // "http://127.0.0.1:<port>" followed by Path ("/doc.pdf?x=1").
    std::string Url(const std::string& path) const;

    // The answer for a path (compared without the query string, exactly).
    void SetResponse(const std::string& path, HttpResponse response);
    // The answer for paths without their own; by default 404 "Not Found".
    void SetDefaultResponse(HttpResponse response);

    std::vector<HttpRequest> Requests() const;  // every request received, in order
    void ClearRequests();
    // Waits until at least Count requests have arrived; false after the timeout.
    bool WaitForRequests(std::size_t count, DWORD timeoutMs) const;

private:
    void AcceptLoop();
    void Serve(UINT_PTR sock);
    bool Stopping() const { return stopping_.load(); }

    UINT_PTR listener_;  // a SOCKET; INVALID_SOCKET when not listening
    bool wsaStarted_ = false;
    unsigned short port_ = 0;
    int lastError_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::map<std::string, HttpResponse> responses_;
    HttpResponse defaultResponse_;
    std::vector<HttpRequest> requests_;
    std::vector<std::thread> connections_;
};

}  // namespace ts
