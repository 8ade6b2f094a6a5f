#pragma once

#include <string>

#include "lib/Handles.h"

// Base of a worker job: ExecOnThread runs on a thread of its own while the
// user-interface thread shows a progress window. The job keeps the error that
// ended it, and WaitAndRethrow raises it again on the caller's thread.
// Inputs are written before Start and results read after Join: no locks.
class ThreadComponent {
public:
    ThreadComponent() = default;
    ThreadComponent(const ThreadComponent&) = delete;
    ThreadComponent& operator=(const ThreadComponent&) = delete;
    // Waits for the thread first. A derived job whose work uses its own
    // members must wait in its own destructor too (WaitQuietly): by the time
    // this one runs, those members are gone.
    virtual ~ThreadComponent();

    void Start();
    // A thread exists and has not ended yet.
    bool IsExecuting() const;
    // Waits without limit; returns at once when the job was never started.
    void Join();
    // Join, then throw the job's error text, or "Component failed with error
    // code: N" for a non-zero exit code.
    void WaitAndRethrow();

    const std::wstring& GetError() const { return m_error; }
    int GetExitCode() const { return m_exitCode; }

protected:
    // The job's work; its result is the job's exit code.
    virtual int ExecOnThread() = 0;
    // Join for destructors: never throws.
    void WaitQuietly() noexcept;

private:
    static unsigned __stdcall ExecuteThread(void* job);

    Kestlib::ThreadHandle m_thread;
    std::wstring m_error;
    int m_exitCode = 0;
};
