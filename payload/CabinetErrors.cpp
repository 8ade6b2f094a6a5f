#include "payload/CabinetErrors.h"

#include <windows.h>

#include "lib/Formatting.h"
#include "lib/Handles.h"
#include "lib/StringUtils.h"

namespace Cabinet {

namespace {

struct CodeText {
    int code;
    const wchar_t* text;
};

const CodeText kTexts[] = {
    {ErrorNone, L"Success"},
    {ErrorCabinetNotFound, L"Cabinet file (or part of splitted CAB) not found"},
    {ErrorNotACabinet, L"The file is not a cabinet"},
    {ErrorUnknownVersion, L"Unknown cabinet version"},
    {ErrorCorruptCabinet, L"Corrupt cabinet"},
    {ErrorAllocation, L"Memory allocation failed"},
    {ErrorCompressionType, L"Unknown compression type"},
    {ErrorDecompression, L"Failure decompressing data"},
    {ErrorTargetFile, L"Failure writing to target file"},
    {ErrorReserveMismatch, L"Cabinets in set have different RESERVE sizes"},
    {ErrorWrongCabinet, L"Cabinet returned on fdintNEXT_CABINET is incorrect"},
    {ErrorUserAbort, L"User aborted"},
    {ErrorLoadLibrary, L"Could not load Cabinet.dll"},
    {ErrorInvalidParameters, L"Invalid parameters passed to extraction function. Read the documentation!"},
    {ErrorNotEncrypted, L"The CAB archive is not encrypted but a decryption key was set."},
    {ErrorEncrypted, L"The CAB archive is encrypted but no decryption key was set."},
    {ErrorWrongThread, L"Cabinet.dll does not support calling the same CAB context from two different threads."},
    {ErrorSecondInstance,
     L"There must be only one CExtract instance per thread at the same time! Call CleanUp() before you use "
     L"another instance in the same thread!"},
    {ErrorUnsafeName, L"The cabinet holds a file name that leads outside the target folder"},
    {ErrorDeviceName, L"The cabinet holds a file name that is a device name"},
    {ErrorInvalidName, L"The cabinet holds a file name that no file may have"},
    {ErrorPathTooLong, L"The cabinet holds a file whose path in the target folder is too long"},
};

// The system's own message, or the fixed text when it has none.
std::wstring SystemMessage(int error) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer),
        0, nullptr);
    Kestlib::LocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr) return L"Microsoft has no explanation for this error code.";
    return Kestlib::Trim(std::wstring(buffer, length), L" \t\r\n");
}

}  // namespace

int NameFaultError(NameFault fault) {
    switch (fault) {
        case NameFault::DeviceName:
            return ErrorDeviceName;
        case NameFault::InvalidName:
            return ErrorInvalidName;
        default:
            return ErrorUnsafeName;
    }
}

const wchar_t* ErrorCodeText(int code) {
    for (const CodeText& entry : kTexts)
        if (entry.code == code) return entry.text;
    return L"Unknown error";
}

std::wstring ComposeErrorText(int code, int systemError, const std::wstring& detail) {
    std::wstring text = ErrorCodeText(code);
    if (!detail.empty()) text += L": " + detail;
    if (systemError == 0) return text;
    return Kestlib::FormatText(L"%s\nError %d: %s", text.c_str(), systemError, SystemMessage(systemError).c_str());
}

}  // namespace Cabinet
