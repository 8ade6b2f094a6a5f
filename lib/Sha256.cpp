#include "lib/Sha256.h"

#include <vector>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const size_t kDigestSize = 32;
const DWORD kChunkSize = 64 * 1024;

// One digest in progress; every failure names the call that failed.
class Sha256Hash {
public:
    Sha256Hash() {
        if (!::CryptAcquireContextW(m_provider.Receive(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            ThrowLastError(L"CryptAcquireContextW");
        if (!::CryptCreateHash(m_provider.Get(), CALG_SHA_256, 0, 0, m_hash.Receive()))
            ThrowLastError(L"CryptCreateHash");
    }

    void Add(const void* data, DWORD size) {
        if (!::CryptHashData(m_hash.Get(), static_cast<const BYTE*>(data), size, 0)) ThrowLastError(L"CryptHashData");
    }

    std::wstring Finish() {
        BYTE digest[kDigestSize];
        DWORD size = sizeof(digest);
        if (!::CryptGetHashParam(m_hash.Get(), HP_HASHVAL, digest, &size, 0)) ThrowLastError(L"CryptGetHashParam");
        static const wchar_t kDigits[] = L"0123456789abcdef";
        std::wstring text;
        for (DWORD i = 0; i < size; ++i) {
            text += kDigits[digest[i] >> 4];
            text += kDigits[digest[i] & 0x0F];
        }
        return text;
    }

private:
    // Declared first: the hash is destroyed before its provider is released.
    CryptProvider m_provider;
    CryptHash m_hash;
};

}  // namespace

std::wstring Sha256OfBytes(const void* data, size_t size) {
    Sha256Hash hash;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD part = size > kChunkSize ? kChunkSize : static_cast<DWORD>(size);
        hash.Add(bytes, part);
        bytes += part;
        size -= part;
    }
    return hash.Finish();
}

std::wstring Sha256OfFile(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) ThrowLastError(L"Error opening \"" + path + L"\"");
    return Sha256OfHandle(file.Get(), path);
}

std::wstring Sha256OfHandle(HANDLE file, const std::wstring& name) {
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) ThrowLastError(L"Error reading \"" + name + L"\"");
    Sha256Hash hash;
    std::vector<char> buffer(kChunkSize);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), kChunkSize, &read, nullptr))
            ThrowLastError(L"Error reading \"" + name + L"\"");
        if (read == 0) break;
        hash.Add(buffer.data(), read);
    }
    return hash.Finish();
}

bool NormalizeSha256(const std::wstring& text, std::wstring& digest) {
    digest.clear();
    if (text.empty()) return true;
    if (text.size() != kDigestSize * 2) return false;
    std::wstring lower;
    for (wchar_t c : text) {
        if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
        lower += c;
    }
    digest = lower;
    return true;
}

}  // namespace Kestlib
