#include "lib/Guid.h"

#include <objbase.h>

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const int kGuidTextSize = 39;  // braces, 32 digits, 4 hyphens and the terminator

}  // namespace

std::wstring CreateGuidString() {
    GUID guid = {};
    HRESULT result = ::CoCreateGuid(&guid);
    if (FAILED(result)) ThrowSystemError(result, L"::CoCreateGuid");
    return GuidToString(guid);
}

std::wstring GuidToString(const GUID& guid) {
    wchar_t buffer[kGuidTextSize] = {};
    int count = ::StringFromGUID2(guid, buffer, kGuidTextSize);
    if (count == 0) ThrowLastError(L"::StringFromCLSID");
    return std::wstring(buffer, count - 1);
}

GUID StringToGuid(const std::wstring& text) {
    GUID guid = {};
    HRESULT result = ::IIDFromString(text.c_str(), &guid);
    if (FAILED(result)) ThrowSystemError(result, L"Error in ::IIDFromString");
    return guid;
}

bool IsGuidString(const std::wstring& text) {
    GUID guid = {};
    HRESULT result = ::IIDFromString(text.c_str(), &guid);
    if (result == S_OK) return true;
    // Malformed text of the wrong length gives E_INVALIDARG, of the right length CO_E_IIDSTRING.
    if (result == E_INVALIDARG || result == CO_E_IIDSTRING) return false;
    if (FAILED(result)) ThrowSystemError(result, L"Error in ::IIDFromString");
    return false;
}

}  // namespace Kestlib
