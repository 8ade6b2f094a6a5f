#pragma once

#include <string>

#include "lib/Handles.h"

// Base of a worker job: ExecOnThread runs on a thread of its own while the
// user-interface thread shows a progress window. The job keeps the error that
// ended it, and WaitAndRethrow raises it again on the caller's thread.
// Inputs are written before Start and results read after Join: no locks.
//
// The thread uses the whole object, its virtual functions included, until it
// ends, so it must be joined before any part of the object goes; a job
// class's own destructor runs too late. Hence a job exists only as
// JoinedJob<Job> (below), which joins before Job's destructor runs: every
// other class derived from this one stays abstract, so declaring one,
// making one with new or holding one by value does not compile. An owner
// whose window fails between Start and WaitAndRethrow then still waits for
// the job while it unwinds.
class ThreadComponent {
public:
    ThreadComponent(const ThreadComponent&) = delete;
    ThreadComponent& operator=(const ThreadComponent&) = delete;

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
    ThreadComponent() = default;
    // Joins too, as a last line of defence; by then the derived parts are gone.
    virtual ~ThreadComponent();

    // The job's work; its result is the job's exit code.
    virtual int ExecOnThread() = 0;

private:
    template <class Job>
    friend class JoinedJob;
    // Only JoinedJob can name it, so only JoinedJob implements HeldJoined.
    class JoinedOnly {};
    virtual void HeldJoined(JoinedOnly) = 0;
    // Join for destructors: never throws.
    void WaitQuietly() noexcept;

    static unsigned __stdcall ExecuteThread(void* job);

    Kestlib::ThreadHandle m_thread;
    std::wstring m_error;
    int m_exitCode = 0;
};

// A job of class Job as its owners hold it: the thread is joined before any
// part of Job is destroyed.
template <class Job>
class JoinedJob final : public Job {
public:
    using Job::Job;
    ~JoinedJob() override { this->WaitQuietly(); }

private:
    void HeldJoined(ThreadComponent::JoinedOnly) override {}
};
