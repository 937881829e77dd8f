#include "paths.h"

std::string zbx_source_path(const std::string &relative)
{
    return std::string(ZBX_SOURCE_DIR) + "/" + relative;
}
