#include "reset.h"

void zbx_reset_all_modules() {}

std::string zbx_source_path(const std::string &relative)
{
    return std::string(ZBX_SOURCE_DIR) + "/" + relative;
}
