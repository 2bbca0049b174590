#include <gtest/gtest.h>
TEST(VillesPage, Placeholder) {}
