#include "base/ThreadComponent.h"

#include <process.h>

#include <exception>

#include "base/InstallerLog.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"

ThreadComponent::~ThreadComponent() { WaitQuietly(); }

void ThreadComponent::WaitQuietly() noexcept {
    // A destructor must not throw; a failed wait leaves nothing better to do.
    if (m_thread) ::WaitForSingleObject(m_thread.Get(), INFINITE);
}

void ThreadComponent::Start() {
    // A job may run again (a download list retried from its window): the
    // earlier run must have ended, and its outcome no longer counts.
    Join();
    m_thread.Reset();
    m_error.clear();
    m_exitCode = 0;
    // The C runtime's thread start, so the runtime's per-thread state is set up.
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &ThreadComponent::ExecuteThread, this, CREATE_SUSPENDED, nullptr);
    if (thread == 0) Kestlib::ThrowLastError(L"AfxBeginThread");
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
    if (::ResumeThread(m_thread.Get()) == static_cast<DWORD>(-1)) {
        // A thread that never runs would be waited for forever.
        DWORD error = ::GetLastError();
        ::TerminateThread(m_thread.Get(), 0);
        m_thread.Reset();
        Kestlib::ThrowSystemError(static_cast<long>(error), L"ResumeThread");
    }
}

unsigned __stdcall ThreadComponent::ExecuteThread(void* job) {
    ThreadComponent* self = static_cast<ThreadComponent*>(job);
    try {
        self->m_exitCode = self->ExecOnThread();
    } catch (const std::exception& error) {
        self->m_error = Kestlib::AnsiToWide(error.what());
        self->m_exitCode = -1;
        InstallerLog::Instance().TryWrite(L"The following error was caught in ThreadComponent::ExecuteThread(): " + self->m_error);
    } catch (...) {
        self->m_exitCode = -1;
        InstallerLog::Instance().TryWrite(L"An unknown error was caught in ThreadComponent::ExecuteThread()");
    }
    return 0;
}

bool ThreadComponent::IsExecuting() const {
    return m_thread && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

void ThreadComponent::Join() {
    if (!m_thread) return;
    if (::WaitForSingleObject(m_thread.Get(), INFINITE) == WAIT_FAILED) Kestlib::ThrowLastError(L"WaitForSingleObject");
}

void ThreadComponent::WaitAndRethrow() {
    Join();
    if (!m_error.empty()) Kestlib::ThrowError(m_error);
    if (m_exitCode != 0) Kestlib::ThrowError(L"Component failed with error code: " + std::to_wstring(m_exitCode));
}
