#include "reset.h"

#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

void zbx_reset_all_modules()
{
    // Item tables and their models, headless (no main window).
    itemwrapper_cleanup();
    locations_cleanup();
    objects_module_init();
    panels_module_init();
    objectmodel_module_init(nullptr);
    panelmodels_module_init(nullptr);
    locations_module_init(nullptr);
}

std::string zbx_source_path(const std::string &relative)
{
    return std::string(ZBX_SOURCE_DIR) + "/" + relative;
}
