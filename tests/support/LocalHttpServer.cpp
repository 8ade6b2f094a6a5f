#include <winsock2.h>

#include "tests/support/LocalHttpServer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace TestSupport {

namespace {

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 302: return "Found";
        case 206: return "Partial Content";
        case 404: return "Not Found";
        case 416: return "Range Not Satisfiable";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

bool SendAll(SOCKET connection, const char* data, size_t size) {
    while (size > 0) {
        int sent = ::send(connection, data, static_cast<int>(size), 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

struct Request {
    std::string path;  // empty when the request is not one
    bool proxied = false;
    std::string range;
    std::string ifRange;
};

// A header's value, or empty.
std::string HeaderValue(const std::string& head, const std::string& name) {
    size_t at = 0;
    while ((at = head.find("\r\n", at)) != std::string::npos) {
        at += 2;
        if (head.size() - at > name.size() && _strnicmp(head.c_str() + at, name.c_str(), name.size()) == 0 &&
            head[at + name.size()] == ':') {
            size_t start = head.find_first_not_of(' ', at + name.size() + 1);
            return start == std::string::npos ? std::string() : head.substr(start, head.find("\r\n", start) - start);
        }
    }
    return std::string();
}

// "GET /path HTTP/1.x", or "GET http://host/path HTTP/1.x" as a proxy gets it.
Request ReadRequest(SOCKET connection) {
    std::string head;
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        int received = ::recv(connection, buffer, sizeof(buffer), 0);
        if (received <= 0) return Request();
        head.append(buffer, static_cast<size_t>(received));
    }
    Request request;
    size_t start = head.find(' ');
    size_t end = start == std::string::npos ? start : head.find(' ', start + 1);
    if (end == std::string::npos) return request;
    request.path = head.substr(start + 1, end - start - 1);
    if (request.path.compare(0, 7, "http://") == 0) {
        request.proxied = true;
        size_t slash = request.path.find('/', 7);
        request.path = slash == std::string::npos ? "/" : request.path.substr(slash);
    }
    request.range = HeaderValue(head, "Range");
    request.ifRange = HeaderValue(head, "If-Range");
    return request;
}

}  // namespace

// Sleeps in short steps, so that a stalling answer ends with the server.
void LocalHttpServer::StallUntilStopped() const {
    while (!m_stopping) ::Sleep(50);
}

LocalHttpServer::LocalHttpServer() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    static int servers = 0;
    m_prefix = "/" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount64()) + "-" +
               std::to_string(++servers);
    m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (m_listener == INVALID_SOCKET ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(m_listener, SOMAXCONN) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_listener != INVALID_SOCKET) ::closesocket(m_listener);
        ::WSACleanup();
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&LocalHttpServer::Serve, this);
}

LocalHttpServer::~LocalHttpServer() {
    m_stopping = true;
    m_thread.join();
    for (std::thread& connection : m_connections) connection.join();
    ::closesocket(m_listener);
    ::WSACleanup();
}

void LocalHttpServer::Add(const std::string& path, const HttpRoute& route) { AddSequence(path, {route}); }

void LocalHttpServer::AddSequence(const std::string& path, const std::vector<HttpRoute>& routes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[m_prefix + path] = routes;
}

std::string LocalHttpServer::Authority() const { return "127.0.0.1:" + std::to_string(m_port); }

std::wstring LocalHttpServer::Url(const std::string& path) const { return UrlVia("http://" + Authority(), path); }

std::wstring LocalHttpServer::UrlVia(const std::string& hostAndScheme, const std::string& path) const {
    std::string url = hostAndScheme + m_prefix + path;
    return std::wstring(url.begin(), url.end());
}

namespace {
template <class Value>
Value Find(const std::map<std::string, Value>& map, const std::string& key) {
    auto found = map.find(key);
    return found == map.end() ? Value() : found->second;
}
}  // namespace

int LocalHttpServer::RequestCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Find(m_requests, m_prefix + path);
}

int LocalHttpServer::ProxiedCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Find(m_proxied, m_prefix + path);
}

long long LocalHttpServer::BytesSent(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Find(m_bytes, m_prefix + path);
}

std::vector<std::string> LocalHttpServer::Ranges(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Find(m_ranges, m_prefix + path);
}

// Polls so that the destructor's stop flag is seen within a tenth of a second.
void LocalHttpServer::Serve() {
    while (!m_stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listener, &readable);
        timeval wait = {0, 100000};
        if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
        SOCKET connection = ::accept(m_listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET) continue;
        m_connections.emplace_back(&LocalHttpServer::Answer, this, static_cast<std::uintptr_t>(connection));
    }
}

void LocalHttpServer::Answer(std::uintptr_t socket) {
    SOCKET connection = static_cast<SOCKET>(socket);
    DWORD timeout = 5000;
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    const Request request = ReadRequest(connection);
    HttpRoute route;
    route.status = 404;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int number = m_requests[request.path]++;
        if (request.proxied) ++m_proxied[request.path];
        m_ranges[request.path].push_back(request.range);
        auto found = m_routes.find(request.path);
        if (found != m_routes.end() && !found->second.empty())
            route = found->second[std::min<size_t>(static_cast<size_t>(number), found->second.size() - 1)];
    }
    if (route.fault == HttpFault::StallBeforeHeaders) StallUntilStopped();
    if (request.path.empty() || route.fault == HttpFault::NoAnswer || m_stopping) {
        ::closesocket(connection);
        return;
    }
    std::string body = route.body;
    std::string extra;
    // Only the open-ended form "bytes=N-", which is what downloads ask for.
    const size_t from = request.range.compare(0, 6, "bytes=") == 0 ? std::strtoull(request.range.c_str() + 6, nullptr, 10) : 0;
    if (route.ranges && route.status == 200 && !request.range.empty() &&
        (request.ifRange.empty() || request.ifRange == route.etag || route.ignoreIfRange)) {
        const std::string total = "/" + std::to_string(body.size());
        if (from >= body.size()) {
            route.status = 416;
            extra += "Content-Range: bytes *" + total + "\r\n";
            body.clear();
        } else {
            route.status = 206;
            extra += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(body.size() - 1) + total + "\r\n";
            body = body.substr(from);
        }
    }
    if (!route.etag.empty()) extra += "ETag: " + route.etag + "\r\n";
    if (route.ranges) extra += "Accept-Ranges: bytes\r\n";
    const long long length = route.announcedLength < 0 ? static_cast<long long>(body.size()) : route.announcedLength;
    std::string head = std::string(route.chunked ? "HTTP/1.1 " : "HTTP/1.0 ") + std::to_string(route.status) + " " +
                       Reason(route.status) + "\r\nContent-Type: application/octet-stream\r\n";
    if (route.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!route.noLength)
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    head += "Cache-Control: no-store\r\nConnection: close\r\n" + extra;
    if (!route.location.empty())
        head += "Location: http://127.0.0.1:" + std::to_string(m_port) + m_prefix + route.location + "\r\n";
    head += "\r\n";
    const bool midBody = route.fault == HttpFault::ResetMidBody || route.fault == HttpFault::CloseMidBody ||
                         route.fault == HttpFault::StallMidBody;
    const size_t end = midBody ? body.size() / 2 : body.size();
    bool sent = SendAll(connection, head.data(), head.size());
    const int pieces = route.pieces < 1 ? 1 : route.pieces;
    const size_t piece = (body.size() + static_cast<size_t>(pieces) - 1) / static_cast<size_t>(pieces);
    long long bodyBytes = 0;
    for (size_t offset = 0; sent && offset < end && !m_stopping; offset += piece) {
        size_t size = end - offset < piece ? end - offset : piece;
        if (route.chunked) {
            char size_line[32];
            std::snprintf(size_line, sizeof(size_line), "%zx\r\n", size);
            sent = SendAll(connection, size_line, std::strlen(size_line));
        }
        sent = sent && SendAll(connection, body.data() + offset, size) && (!route.chunked || SendAll(connection, "\r\n", 2));
        if (sent) bodyBytes += static_cast<long long>(size);
        if (route.pauseMilliseconds > 0) ::Sleep(static_cast<DWORD>(route.pauseMilliseconds));
    }
    if (sent && route.chunked && !midBody) SendAll(connection, "0\r\n\r\n", 5);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes[request.path] += bodyBytes;
    }
    if (route.fault == HttpFault::StallMidBody) StallUntilStopped();
    if (route.fault == HttpFault::ResetMidBody) {
        // A zero linger time makes the close send a reset instead of the end of the stream.
        linger abort = {1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof(abort));
    } else {
        ::shutdown(connection, SD_SEND);
    }
    ::closesocket(connection);
}

}  // namespace TestSupport
