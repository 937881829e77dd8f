#include "base/error.h"

G_DEFINE_QUARK(zembrix - error - quark, zbx_error)

void zbx_set_error(GError **error, ZbxError code, const char *text)
{
    g_set_error_literal(error, ZBX_ERROR, static_cast<int>(code), text);
}

void zbx_set_error_printf(GError **error, ZbxError code, const char *format, ...)
{
    if (error == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    gchar *text = g_strdup_vprintf(format, args);
    va_end(args);
    g_set_error_literal(error, ZBX_ERROR, static_cast<int>(code), text);
    g_free(text);
}

bool zbx_error_is(const GError *error, ZbxError code)
{
    return g_error_matches(error, ZBX_ERROR, static_cast<int>(code));
}
