#pragma once

// The exit code of a run from the configurations it showed: the code of the
// first one that did not succeed (a later success does not hide a failure,
// a cancel or an error), else 3010 when a component's restart was left to
// the caller (/norestart), else 0.
class RunResult {
public:
    static const int RestartRequired = 3010;

    // The main dialog's return code and restart once a configuration ended.
    void Add(int returnCode, bool restartSuppressed);
    int ExitCode() const;

private:
    int m_code = 0;
    bool m_restart = false;
};
