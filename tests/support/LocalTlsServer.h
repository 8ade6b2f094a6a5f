#pragma once

#include <windows.h>

#include <string>

#include "tests/support/TestEnvironment.h"

namespace TestSupport {

// An https server on 127.0.0.1 for the platform's own client: Debian's
// openssl, started through Wine, answers each path with a canned response
// (status line and headers included) from a folder of its own. Its
// certificate (for 127.0.0.1) is trusted by the current user of the test
// prefix. The server ends after the given number of connections, or after
// two minutes at the latest; going away uses up the connections it has left.
class LocalTlsServer {
public:
    enum class Protocols { Current, Tls10Only };
    explicit LocalTlsServer(int connections, Protocols protocols = Protocols::Current);
    ~LocalTlsServer();
    LocalTlsServer(const LocalTlsServer&) = delete;
    LocalTlsServer& operator=(const LocalTlsServer&) = delete;

    // The whole response to GET /name.
    void Add(const std::string& name, const std::string& response);
    std::wstring Url(const std::string& name) const;

private:
    TempFolder m_folder;
    unsigned short m_port = 0;
};

}  // namespace TestSupport
