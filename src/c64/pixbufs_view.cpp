#include "c64/pixbufs.h"

RgbaView pixbufs_view(GdkPixbuf *pixbuf)
{
    return RgbaView{gdk_pixbuf_get_pixels(pixbuf), gdk_pixbuf_get_width(pixbuf),
                    gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_rowstride(pixbuf)};
}
