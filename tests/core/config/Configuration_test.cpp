#include "core/config/Configuration.h"

#include <gtest/gtest.h>

TEST(Configuration, placeholder) { EXPECT_EQ(mervalon::config::Configuration::kSize, 672u); }
