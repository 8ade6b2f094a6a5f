#include "app/RunResult.h"

void RunResult::Add(int returnCode, bool restartSuppressed) {
    if (m_code == 0) m_code = returnCode;
    m_restart = m_restart || restartSuppressed;
}

int RunResult::ExitCode() const {
    if (m_code != 0) return m_code;
    return m_restart ? RestartRequired : 0;
}
