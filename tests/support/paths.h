// Test support: where the tests find the files of the source tree.
#pragma once

#include <string>

// Path of a file below the source tree.
std::string zbx_source_path(const std::string &relative);
