#pragma once

#include <string>

#include "payload/CabinetNames.h"

namespace Cabinet {

// Codes 1 to 11 are the decompressor's own error numbers; the others are set
// by the extraction class itself.
enum ErrorCode : int {
    ErrorNone = 0,
    ErrorCabinetNotFound = 1,
    ErrorNotACabinet = 2,
    ErrorUnknownVersion = 3,
    ErrorCorruptCabinet = 4,
    ErrorAllocation = 5,
    ErrorCompressionType = 6,
    ErrorDecompression = 7,
    ErrorTargetFile = 8,
    ErrorReserveMismatch = 9,
    ErrorWrongCabinet = 10,
    ErrorUserAbort = 11,
    ErrorLoadLibrary = 1000,
    ErrorInvalidParameters = 1002,
    ErrorNotEncrypted = 1007,
    ErrorEncrypted = 1008,
    ErrorWrongThread = 1011,
    ErrorSecondInstance = 1012,
    ErrorUnsafeName = 1013,
    ErrorDeviceName = 1014,
    ErrorInvalidName = 1015,
    ErrorPathTooLong = 1016,
};

// The code of what is wrong with a stored name (not for NameFault::None).
int NameFaultError(NameFault fault);

// The fixed English text of a code; "Unknown error" for any other.
const wchar_t* ErrorCodeText(int code);

// The code's text, then ": " + detail when there is one, and when the system
// error number is not 0, "\nError N: " + the system's message for it.
std::wstring ComposeErrorText(int code, int systemError, const std::wstring& detail);

}  // namespace Cabinet
