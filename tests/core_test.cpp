#include <gtest/gtest.h>

#include "core/table.h"

TEST(Table, IndexOutsideBoundsIsSubscriptOutOfRange) {
    rf::Table<int, 2, 3> t;
    EXPECT_THROW(t(2, 0), rf::RfError);
}
