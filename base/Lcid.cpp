#include "base/Lcid.h"

#include <windows.h>

#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/Version.h"

unsigned long GetLcid(LcidType type) {
    switch (type) {
        case LcidTypeSystem:
            return ::GetSystemDefaultLCID();
        case LcidTypeUser:
            return ::GetUserDefaultLCID();
        default: {
            // The language of the system's user.exe tells the language the system was installed in.
            // A 64-bit system folder has no user.exe: the system's own language says the same.
            const std::wstring path = Kestlib::PathCombine(Kestlib::GetSystemDirectory(), L"user.exe");
            if (!Kestlib::FileExists(path)) return ::GetSystemDefaultUILanguage();
            return LOWORD(Kestlib::FileVersionInfo(path).translation);
        }
    }
}

LcidType ParseLcidType(const std::wstring& text) {
    if (text.empty() || text == L"User") return LcidTypeUser;
    if (text == L"UserExe") return LcidTypeUserExe;
    if (text == L"System") return LcidTypeSystem;
    Kestlib::ThrowError(L"Invalid LCID type: " + text);
}

std::wstring LcidTypeName(int type) {
    switch (type) {
        case LcidTypeUserExe:
            return L"UserExe";
        case LcidTypeSystem:
            return L"System";
        case LcidTypeUser:
            return L"User";
        default:
            Kestlib::ThrowError(L"Invalid LCID type: " + std::to_wstring(type));
    }
}
