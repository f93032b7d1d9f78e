#pragma once

// True when the program runs under a debugger: such runs write the ".ver" file the update
// check publishes.
bool isDevelopmentRun();
