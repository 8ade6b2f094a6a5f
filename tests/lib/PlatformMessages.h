#pragma once

#include <string>

#include "lib/SystemError.h"
#include "lib/TextConversion.h"

// ": " + the platform's own text for a code, as it ends a failure message;
// the texts differ between Windows and Wine.
inline std::string MessageEnd(long hresult) { return ": " + Kestlib::WideToAnsi(Kestlib::SystemMessageText(hresult)); }

inline std::string NotFoundEnd() { return MessageEnd(static_cast<long>(0x80070002UL)); }
inline std::string InvalidParameterEnd() { return MessageEnd(static_cast<long>(0x80070057UL)); }
