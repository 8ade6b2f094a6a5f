#include <winsock2.h>

#include "tests/support/LocalHttpServer.h"

#include <stdexcept>

namespace TestSupport {

namespace {

const char* Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 302: return "Found";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
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

// The path of "GET /path HTTP/1.x", empty when the request is not one.
std::string RequestPath(SOCKET connection) {
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        int received = ::recv(connection, buffer, sizeof(buffer), 0);
        if (received <= 0) return std::string();
        request.append(buffer, static_cast<size_t>(received));
    }
    size_t start = request.find(' ');
    size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    return end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);
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

void LocalHttpServer::Add(const std::string& path, const HttpRoute& route) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[m_prefix + path] = route;
}

std::wstring LocalHttpServer::Url(const std::string& path) const {
    std::string url = "http://127.0.0.1:" + std::to_string(m_port) + m_prefix + path;
    return std::wstring(url.begin(), url.end());
}

int LocalHttpServer::RequestCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_requests.find(m_prefix + path);
    return found == m_requests.end() ? 0 : found->second;
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
    const std::string path = RequestPath(connection);
    HttpRoute route;
    route.status = 404;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests[path];
        auto found = m_routes.find(path);
        if (found != m_routes.end()) route = found->second;
    }
    if (route.fault == HttpFault::StallBeforeHeaders) StallUntilStopped();
    if (path.empty() || route.fault == HttpFault::NoAnswer || m_stopping) {
        ::closesocket(connection);
        return;
    }
    const long long length =
        route.announcedLength < 0 ? static_cast<long long>(route.body.size()) : route.announcedLength;
    std::string head = "HTTP/1.0 " + std::to_string(route.status) + " " + Reason(route.status) +
                       "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(length) +
                       "\r\nCache-Control: no-store\r\nConnection: close\r\n";
    if (!route.location.empty())
        head += "Location: http://127.0.0.1:" + std::to_string(m_port) + m_prefix + route.location + "\r\n";
    head += "\r\n";
    const bool midBody = route.fault == HttpFault::ResetMidBody || route.fault == HttpFault::CloseMidBody ||
                         route.fault == HttpFault::StallMidBody;
    const size_t end = midBody ? route.body.size() / 2 : route.body.size();
    bool sent = SendAll(connection, head.data(), head.size());
    const int pieces = route.pieces < 1 ? 1 : route.pieces;
    const size_t piece = (route.body.size() + static_cast<size_t>(pieces) - 1) / static_cast<size_t>(pieces);
    for (size_t offset = 0; sent && offset < end && !m_stopping; offset += piece) {
        size_t size = end - offset < piece ? end - offset : piece;
        sent = SendAll(connection, route.body.data() + offset, size);
        if (route.pauseMilliseconds > 0) ::Sleep(static_cast<DWORD>(route.pauseMilliseconds));
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
