#include <gtest/gtest.h>

#include "gref.h"

TEST(GRef, ReleasesItsReference)
{
    GObject *object = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
    g_object_ref(object);
    {
        GRef<GObject> ref(object);
        EXPECT_EQ(ref.get(), object);
    }
    EXPECT_EQ(object->ref_count, 1u);
    g_object_unref(object);
}
