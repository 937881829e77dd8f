// The program icon as XPM data, decoded afresh for each window.
#pragma once

extern const char *const program_icon_xpm[];
