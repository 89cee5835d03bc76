#include "dulo/oleauto.h"

#include <gtest/gtest.h>

TEST(OleLayout, VariantIsTwentyFourBytes) { EXPECT_EQ(sizeof(VARIANT), 24u); }
