// Test support: bring every module back to its start-up state.
#pragma once

#include <string>

// Resets the state of every core module (tables, models, backdrop).
void zbx_reset_all_modules();
// Path of a file below the source tree.
std::string zbx_source_path(const std::string &relative);
