#pragma once

// Enables the shutdown privilege of this process and asks the system to restart.
void RebootMachine();
