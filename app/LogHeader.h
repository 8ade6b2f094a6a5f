#pragma once

// The header every run writes to the log: the version, the system, the
// elevation state and the component arguments of the command line. The
// first line opens the log file, so a second instance with the same file
// fails here with Kestlib::LogFileWriteException.
void WriteLogHeader();
