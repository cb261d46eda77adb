#include "util/variant.h"

#include <gtest/gtest.h>

namespace bexlo {
namespace {

TEST(Variant, KeepsTypesApart) {
  EXPECT_TRUE(Variant().IsNull());
  EXPECT_EQ(Variant(3).Type(), TVariantType::varInteger);
  EXPECT_EQ(Variant(3.0).Type(), TVariantType::varFloat);
  EXPECT_EQ(Variant::FromDate(3.0).Type(), TVariantType::varDate);
  EXPECT_EQ(Variant("x").Type(), TVariantType::varString);
  // A date and a number of the same value are different values.
  EXPECT_NE(Variant::FromDate(3.0), Variant(3.0));
  EXPECT_EQ(Variant::FromDate(3.5).Date(), 3.5);
  EXPECT_THROW(Variant(1).String(), std::bad_variant_access);
}

}  // namespace
}  // namespace bexlo
