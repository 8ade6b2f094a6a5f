#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace Kestlib {

// Move-only owner of one platform handle; Traits names the invalid value and
// the call that releases it, so no path can leak or double-close a handle.
template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : m_value(Traits::Invalid()) {}
    explicit UniqueHandle(Type value) noexcept : m_value(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return m_value; }
    bool IsValid() const noexcept { return m_value != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // For calls that return the handle through an out parameter.
    Type* Receive() noexcept {
        Reset();
        return &m_value;
    }

    Type Release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    void Reset(Type value = Traits::Invalid()) noexcept {
        if (IsValid()) Traits::Close(m_value);
        m_value = value;
    }

private:
    Type m_value;
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

// Process, thread, event and other kernel objects whose "none" is NULL.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};

struct ModuleHandleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};

struct HookHandleTraits {
    using Type = HHOOK;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::UnhookWindowsHookEx(h); }
};

struct TokenHandleTraits : KernelHandleTraits {};

struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::LocalFree(h); }
};

struct CryptProviderTraits {
    using Type = HCRYPTPROV;
    static Type Invalid() noexcept { return 0; }
    static void Close(Type h) noexcept { ::CryptReleaseContext(h, 0); }
};

struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static Type Invalid() noexcept { return 0; }
    static void Close(Type h) noexcept { ::CryptDestroyHash(h); }
};

struct BitmapTraits {
    using Type = HBITMAP;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using ProcessHandle = KernelHandle;
using ThreadHandle = KernelHandle;
using TokenHandle = UniqueHandle<TokenHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using HookHandle = UniqueHandle<HookHandleTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
using CryptProvider = UniqueHandle<CryptProviderTraits>;
using CryptHash = UniqueHandle<CryptHashTraits>;
using BitmapHandle = UniqueHandle<BitmapTraits>;

}  // namespace Kestlib
