#include "bench/plain_fdi.h"

#include <windows.h>
#include <fcntl.h>
#include <fdi.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdlib>

namespace {

std::string g_target;
std::string g_next;

FNALLOC(Alloc) { return std::malloc(cb); }
FNFREE(Free) { std::free(pv); }
FNOPEN(Open) { return ::_open(pszFile, oflag, pmode); }
FNREAD(Read) { return static_cast<UINT>(::_read(static_cast<int>(hf), pv, cb)); }
FNWRITE(Write) { return static_cast<UINT>(::_write(static_cast<int>(hf), pv, cb)); }
FNCLOSE(Close) { return ::_close(static_cast<int>(hf)); }
FNSEEK(Seek) { return ::_lseek(static_cast<int>(hf), dist, seektype); }

FNFDINOTIFY(Notify) {
    switch (fdint) {
        case fdintCABINET_INFO:
            if (g_next.empty()) g_next = pfdin->psz1;
            return 0;
        case fdintCOPY_FILE: {
            std::string path = g_target + pfdin->psz1;
            for (size_t i = g_target.size(); i < path.size(); ++i)
                if (path[i] == '\\') ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
            return ::_open(path.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
        }
        case fdintCLOSE_FILE_INFO:
            ::_close(static_cast<int>(pfdin->hf));
            return TRUE;
        case fdintNEXT_CABINET:
            return pfdin->fdie == FDIERROR_NONE ? 0 : -1;
        default:
            return 0;
    }
}

}  // namespace

bool PlainFdiExtract(const std::string& folder, const std::string& firstCabinet, const std::string& target) {
    HMODULE module = ::LoadLibraryExW(L"cabinet.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    auto create = reinterpret_cast<decltype(&::FDICreate)>(reinterpret_cast<void*>(::GetProcAddress(module, "FDICreate")));
    auto copy = reinterpret_cast<decltype(&::FDICopy)>(reinterpret_cast<void*>(::GetProcAddress(module, "FDICopy")));
    auto destroy = reinterpret_cast<decltype(&::FDIDestroy)>(reinterpret_cast<void*>(::GetProcAddress(module, "FDIDestroy")));
    ERF error = {};
    HFDI context = create(&Alloc, &Free, &Open, &Read, &Write, &Close, &Seek, cpu80386, &error);
    g_target = target;
    std::string name = firstCabinet;
    bool ok = context != nullptr;
    while (ok) {
        g_next.clear();
        std::string cabinet = name;
        std::string path = folder;
        ok = copy(context, &cabinet[0], &path[0], 0, &Notify, nullptr, nullptr) != FALSE;
        if (g_next.empty()) break;
        name = g_next;
    }
    if (context != nullptr) destroy(context);
    ::FreeLibrary(module);
    return ok;
}
