#pragma once

// What the log header records about user-account elevation. Each throws the
// failing call's system error text.

// The system has elevation (version 6 and later).
bool IsElevationSupported();
// The process's effective token is a member of the built-in administrators.
bool IsRunAsAdmin();
// The user is an administrator, even when running with a limited token.
bool IsUserInAdminGroup();
