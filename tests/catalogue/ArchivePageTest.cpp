// placeholder
#include <gtest/gtest.h>
TEST(ArchivePage, Placeholder) {}
