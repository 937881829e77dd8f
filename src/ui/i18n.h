// Window texts pass through the "zbx-decoder" translation domain.
#pragma once

#include <glib/gi18n-lib.h>
