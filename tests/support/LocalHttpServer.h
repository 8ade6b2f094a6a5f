#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

// Ways a server misbehaves.
enum class HttpFault {
    None,
    // Reads the request, then sends nothing until the server goes away.
    StallBeforeHeaders,
    // Reads the request and closes the connection without an answer.
    NoAnswer,
    // After the headers and half of the body: the connection is reset,
    // closed cleanly, or kept open with nothing more sent.
    ResetMidBody,
    CloseMidBody,
    StallMidBody,
};

// What one path answers.
struct HttpRoute {
    int status = 200;
    std::string body;
    // The body goes out in this many pieces with a pause after each, so that
    // the client sees the data arrive.
    int pieces = 1;
    int pauseMilliseconds = 0;
    HttpFault fault = HttpFault::None;
    // Sent as Content-Length instead of the body's size; negative: the size.
    long long announcedLength = -1;
    // A path of this server, sent as the Location header.
    std::string location{};
    // The body in chunks (an HTTP/1.1 answer without a length); a mid-body
    // fault then comes before the last, zero-length chunk.
    bool chunked = false;
    // Neither a length nor chunks: the body ends with the connection.
    bool noLength = false;
    // Answers "Range: bytes=N-" with 206 (416 past the end), unless an
    // If-Range differs from the ETag; a mid-body fault cuts what it sends.
    bool ranges = false;
    std::string etag{};
    // Answers a Range request with 206 whatever its If-Range says.
    bool ignoreIfRange = false;
};

// An HTTP/1.0 server on 127.0.0.1 (a port the system picks), serving canned
// routes from a thread of the test process until it is destroyed. Every
// server's paths carry a prefix of their own, so no client cache has seen them.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // path starts with "/"; unknown paths answer 404 with an empty body.
    void Add(const std::string& path, const HttpRoute& route);
    // The n-th request of path gets the n-th answer; the last one repeats.
    void AddSequence(const std::string& path, const std::vector<HttpRoute>& routes);
    std::wstring Url(const std::string& path) const;
    // The same path behind another host and scheme: as a proxy sees it.
    std::wstring UrlVia(const std::string& hostAndScheme, const std::string& path) const;
    std::string Authority() const;
    int RequestCount(const std::string& path) const;
    // Requests that named a whole URL, as clients ask a proxy.
    int ProxiedCount(const std::string& path) const;
    // Body bytes sent for path, over all its answers.
    long long BytesSent(const std::string& path) const;
    // The Range header of each request of path, empty where there was none.
    std::vector<std::string> Ranges(const std::string& path) const;

private:
    void Serve();
    // Sockets are held as their integer type, so that this header needs no
    // socket header (which must come before any other platform header).
    void Answer(std::uintptr_t connection);
    void StallUntilStopped() const;

    std::string m_prefix;
    std::uintptr_t m_listener = ~std::uintptr_t(0);
    unsigned short m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<HttpRoute>> m_routes;
    std::map<std::string, int> m_requests;
    std::map<std::string, int> m_proxied;
    std::map<std::string, long long> m_bytes;
    std::map<std::string, std::vector<std::string>> m_ranges;
    std::vector<std::thread> m_connections;
    std::thread m_thread;
};

}  // namespace TestSupport
