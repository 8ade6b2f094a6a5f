#include "payload/Extract.h"

#include <cwchar>
#include <vector>

#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "payload/CabinetErrors.h"
#include "payload/CabinetLibrary.h"

namespace Cabinet {

namespace {

// The slot that holds the instance active on each thread, taken once when
// the program starts.
const DWORD kInstanceSlot = ::TlsAlloc();

const int kNotEnoughStorage = 14;

bool SameName(const std::wstring& a, const std::wstring& b) { return ::_wcsicmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

CExtract::CExtract() : m_thread(::GetCurrentThreadId()) {}

CExtract::~CExtract() {
    if (CleanUp() && Active() == this) ::TlsSetValue(kInstanceSlot, nullptr);
}

CExtract* CExtract::Active() { return static_cast<CExtract*>(::TlsGetValue(kInstanceSlot)); }

bool CExtract::IsCreatingThread() {
    if (::GetCurrentThreadId() == m_thread) return true;
    SetPending(ErrorWrongThread);
    return false;
}

bool CExtract::Initialise() {
    ResetError();
    if (!IsCreatingThread()) return false;
    CExtract* active = Active();
    if (active != nullptr && active != this) {
        SetPending(ErrorSecondInstance);
        return false;
    }
    if (!::TlsSetValue(kInstanceSlot, this)) {
        SetPending(ErrorNone, kNotEnoughStorage);
        return false;
    }
    if (m_context != nullptr) return false;
    if (!m_module && !LoadEntryPoints()) return false;
    m_context = m_create(&AllocCallback, &FreeCallback, &OpenCallback, &ReadCallback, &WriteCallback,
                         &CloseCallback, &SeekCallback, cpu80386, &m_platformError);
    return m_context != nullptr;
}

bool CExtract::LoadEntryPoints() {
    Kestlib::ModuleHandle module = LoadCabinetLibrary();
    if (!module) {
        SetPending(ErrorLoadLibrary, static_cast<int>(::GetLastError()));
        return false;
    }
    m_create = EntryPoint<CreateFunction>(module, "FDICreate");
    m_copy = EntryPoint<CopyFunction>(module, "FDICopy");
    m_isCabinet = EntryPoint<IsCabinetFunction>(module, "FDIIsCabinet");
    m_destroy = EntryPoint<DestroyFunction>(module, "FDIDestroy");
    if (!m_create || !m_copy || !m_isCabinet || !m_destroy) {
        SetPending(ErrorLoadLibrary);
        return false;
    }
    m_module = std::move(module);
    return true;
}

bool CExtract::ExtractFile(const std::wstring& cabinet, const std::wstring& target, void* user) {
    if (!IsCreatingThread() || m_context == nullptr) return false;
    if (Active() != this) {
        SetPending(ErrorSecondInstance);
        return false;
    }
    m_user = user;
    m_aborted = false;
    m_output = -1;
    m_outputPath.clear();
    m_notifyFailure = nullptr;
    ResetError();

    m_target = Kestlib::EndsWith(target, L"\\") ? target : target + L"\\";
    size_t cut = cabinet.find_last_of(L'\\');
    std::wstring folder = cut == std::wstring::npos ? std::wstring() : cabinet.substr(0, cut + 1);
    std::wstring name = cut == std::wstring::npos ? cabinet : cabinet.substr(cut + 1);
    if (m_target.size() <= 2 || folder.size() <= 1 || name.size() <= 1) {
        SetPending(ErrorInvalidParameters);
        return false;
    }
    CopyCabinets(Kestlib::WideToUtf8(folder), name);
    FinishOutput();
    if (m_notifyFailure) std::rethrow_exception(m_notifyFailure);
    return !HasError();
}

// The decompressor unpacks only the files that begin in the cabinet it is
// given, so the set is walked by the next-cabinet name of each header. A
// header that points back into the set would walk it for ever.
bool CExtract::CopyCabinets(const std::string& folder, std::wstring name) {
    std::vector<std::wstring> visited;
    for (;;) {
        visited.push_back(name);
        m_nextCabinet.clear();
        m_cabinetInfoSeen = false;
        std::string cabinetName = Kestlib::WideToUtf8(name);
        std::string cabinetFolder = folder;
        if (!m_copy(m_context, &cabinetName[0], &cabinetFolder[0], 0, &NotifyCallback, nullptr, m_user)) return false;
        if (m_nextCabinet.empty() || SameName(m_nextCabinet, name)) return true;
        for (const std::wstring& seen : visited) {
            if (SameName(seen, m_nextCabinet)) {
                SetPending(ErrorWrongCabinet, 0, L"'" + m_nextCabinet + L"'");
                return false;
            }
        }
        name = m_nextCabinet;
    }
}

// A file still open or never finished is incomplete: it must not stay
// behind looking like an unpacked file.
void CExtract::FinishOutput() {
    if (m_output != -1 || !m_outputPath.empty()) DiscardOutput(m_output, m_outputPath);
    m_output = -1;
    m_outputPath.clear();
}

void CExtract::DiscardOutput(INT_PTR file, const std::wstring& path) {
    if (file != -1) Close(file);
    if (path.empty()) return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

bool CExtract::CleanUp() {
    if (!IsCreatingThread()) return false;
    if (m_context == nullptr) return true;
    bool destroyed = m_destroy(m_context) != FALSE;
    m_context = nullptr;
    return destroyed;
}

void CExtract::Abort() { m_aborted = true; }

void CExtract::ResetError() {
    m_platformError = ERF();
    m_pendingCode = 0;
    m_pendingSystemError = 0;
    m_errorDetail.clear();
}

bool CExtract::HasError() const {
    return m_platformError.fError || m_pendingCode != 0 || m_pendingSystemError != 0;
}

void CExtract::SetPending(int code, int systemError, const std::wstring& detail) {
    if (m_pendingCode != 0 || m_pendingSystemError != 0) return;
    m_pendingCode = code;
    m_pendingSystemError = systemError;
    m_errorDetail = detail;
}

int CExtract::LastErrorCode() const {
    if (!HasError()) return ErrorNone;
    return m_pendingCode != 0 ? m_pendingCode : m_platformError.erfOper;
}

std::wstring CExtract::LastErrorText() const {
    if (!HasError()) return ErrorCodeText(ErrorNone);
    int systemError = m_pendingSystemError != 0 ? m_pendingSystemError : m_platformError.erfType;
    return ComposeErrorText(LastErrorCode(), systemError, m_errorDetail);
}

}  // namespace Cabinet
