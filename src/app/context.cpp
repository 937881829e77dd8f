#include "app/context.h"

#include <memory>

#include "files/resources.h"

namespace {
struct Context
{
    Document document;
    GRef<GdkPixbuf> backdrop;
    std::vector<std::string> candidates;
    std::unique_ptr<PaletteImages> palette;
};
Context &context()
{
    static Context state;
    return state;
}
} // namespace

Document &app_document()
{
    return context().document;
}

GdkPixbuf *app_backdrop()
{
    return context().backdrop.get();
}

bool app_load_backdrop(GError **error)
{
    std::vector<std::string> candidates = context().candidates;
    if (candidates.empty()) {
        candidates = resources_candidates("background.png", true);
    }
    context().backdrop.reset(resources_load_backdrop(candidates, error));
    return bool(context().backdrop);
}

void app_set_backdrop_candidates(std::vector<std::string> paths)
{
    context().candidates = std::move(paths);
}

const PaletteImages &app_palette()
{
    if (!context().palette) {
        context().palette = std::make_unique<PaletteImages>();
    }
    return *context().palette;
}

void app_context_reset()
{
    context().document.close();
    context().backdrop.reset();
    context().candidates.clear();
}
