#include <gtest/gtest.h>
#include "plugin/module.h"

TEST(Module, GetModule)
{
    EXPECT_EQ(&visModule, getModule(0));
    EXPECT_EQ(nullptr, getModule(1));
}
