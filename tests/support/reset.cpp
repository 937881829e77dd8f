#include "reset.h"

#include "c64/palette.h"
#include "items/document.h"

void zbx_reset_all_modules()
{
    palette_module_init();
    document_close();
}

std::string zbx_source_path(const std::string &relative)
{
    return std::string(ZBX_SOURCE_DIR) + "/" + relative;
}
