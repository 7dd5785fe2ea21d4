// winsock2.h must come before windows.h (which the header includes).
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/support/httpserver.h"

#include <cctype>
#include <chrono>
#include <cstdlib>

namespace ts {

namespace {

// Every wait of the server's threads is cut into slices of this length, so
// that Stop() is seen within one slice.
constexpr DWORD kSliceMs = 50;
// Bounds on one connection: the whole request must arrive within this time
// and fit in this many bytes.
constexpr DWORD kRequestTimeoutMs = 10000;
constexpr std::size_t kMaxRequestBytes = 1 << 20;

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 204: return "No Content";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 304: return "Not Modified";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

// True when the socket has data (or was closed by the peer) within the slice.
bool Readable(SOCKET s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, static_cast<long>(kSliceMs * 1000)};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

void SendAll(SOCKET s, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        int n = send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// Parses the request line and headers of Head (without the blank line).
bool ParseHead(const std::string& head, HttpRequest& r) {
    std::size_t eol = head.find("\r\n");
    std::string line = head.substr(0, eol);
    std::size_t a = line.find(' ');
    std::size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos) return false;
    r.method = line.substr(0, a);
    r.target = line.substr(a + 1, b - a - 1);
    r.version = line.substr(b + 1);
    while (eol != std::string::npos) {
        std::size_t start = eol + 2;
        eol = head.find("\r\n", start);
        std::string h = head.substr(start, eol == std::string::npos ? std::string::npos : eol - start);
        std::size_t colon = h.find(':');
        if (colon == std::string::npos) continue;
        r.headers.emplace_back(Trim(h.substr(0, colon)), Trim(h.substr(colon + 1)));
    }
    return true;
}

}  // namespace

std::string HttpRequest::Path() const { return target.substr(0, target.find('?')); }

std::string HttpRequest::Query() const {
    std::size_t q = target.find('?');
    return q == std::string::npos ? "" : target.substr(q + 1);
}

std::string HttpRequest::Header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (EqualNoCase(n, name)) return v;
    return "";
}

LoopbackHttpServer::LoopbackHttpServer() : listener_(INVALID_SOCKET) {
    defaultResponse_.status = 404;
    defaultResponse_.body = "Not Found";
    defaultResponse_.contentType = "text/plain";
}

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start() {
    if (listener_ != INVALID_SOCKET) return true;
    WSADATA wsa;
    if (int rc = WSAStartup(MAKEWORD(2, 2), &wsa); rc != 0) {
        lastError_ = rc;
        return false;
    }
    wsaStarted_ = true;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        lastError_ = WSAGetLastError();
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;  // the system picks a free port
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        lastError_ = WSAGetLastError();
        closesocket(s);
        return false;
    }
    port_ = ntohs(addr.sin_port);
    listener_ = s;
    stopping_ = false;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void LoopbackHttpServer::Stop() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open.swap(connections_);
    }
    for (auto& t : open) t.join();
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (wsaStarted_) {
        WSACleanup();
        wsaStarted_ = false;
    }
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::SetResponse(const std::string& path, HttpResponse response) {
    std::lock_guard<std::mutex> lock(mutex_);
    responses_[path] = std::move(response);
}

void LoopbackHttpServer::SetDefaultResponse(HttpResponse response) {
    std::lock_guard<std::mutex> lock(mutex_);
    defaultResponse_ = std::move(response);
}

std::vector<HttpRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

bool LoopbackHttpServer::WaitForRequests(std::size_t count, DWORD timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= count; });
}

void LoopbackHttpServer::AcceptLoop() {
    while (!Stopping()) {
        if (!Readable(listener_)) continue;
        SOCKET c = accept(listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.emplace_back([this, c] { Serve(c); });
    }
}

// Reads one request (head and a Content-Length body), records it, answers it
// as set for its path and closes the connection.
void LoopbackHttpServer::Serve(UINT_PTR sock) {
    SOCKET s = sock;
    std::string data;
    std::size_t headEnd = std::string::npos;
    std::size_t need = 0;  // total bytes of head and body, once the head is known
    HttpRequest request;
    const DWORD started = GetTickCount();
    char buf[4096];
    bool complete = false;
    while (!Stopping() && GetTickCount() - started < kRequestTimeoutMs &&
           data.size() <= kMaxRequestBytes) {
        if (!Readable(s)) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;  // closed by the client or failed
        data.append(buf, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) {
            headEnd = data.find("\r\n\r\n");
            if (headEnd == std::string::npos) continue;
            if (!ParseHead(data.substr(0, headEnd), request)) break;
            std::size_t bodyLength = 0;
            std::string cl = request.Header("Content-Length");
            if (!cl.empty()) bodyLength = std::strtoul(cl.c_str(), nullptr, 10);
            need = headEnd + 4 + bodyLength;
        }
        if (data.size() >= need) {
            request.body = data.substr(headEnd + 4, need - headEnd - 4);
            complete = true;
            break;
        }
    }
    if (!complete) {
        closesocket(s);
        return;
    }

    HttpResponse response;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = responses_.find(request.Path());
        response = it != responses_.end() ? it->second : defaultResponse_;
        requests_.push_back(request);
    }
    arrived_.notify_all();

    for (DWORD waited = 0; waited < response.delayMs && !Stopping(); waited += kSliceMs)
        Sleep(kSliceMs);
    if (!response.drop && !Stopping()) {
        std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " +
                          Reason(response.status) + "\r\n";
        out += "Content-Type: " + response.contentType + "\r\n";
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        out += "Connection: close\r\n";
        for (const auto& [n, v] : response.headers) out += n + ": " + v + "\r\n";
        out += "\r\n";
        if (request.method != "HEAD") out += response.body;
        SendAll(s, out);
        shutdown(s, SD_SEND);
    } else {
        // An abortive close (RST), as a server that fails mid-request gives.
        linger l{1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    }
    closesocket(s);
}

}  // namespace ts
