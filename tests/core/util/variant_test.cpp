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

TEST(Variant, InPlaceSettersChangeTypeAndReuseStrings) {
  Variant v;
  v.SetString("a fairly long text that does not fit a small buffer");
  const char* storage = v.String().data();
  v.SetString("short");
  EXPECT_EQ(v.String(), "short");
  EXPECT_EQ(v.String().data(), storage);  // same buffer, no new allocation
  v.SetInteger(7);
  EXPECT_EQ(v, Variant(7));
  v.SetDate(2.5);
  EXPECT_EQ(v, Variant::FromDate(2.5));
  const std::uint8_t raw[] = {0, 255, 3};
  v.SetBytes(raw, sizeof raw);
  EXPECT_EQ(v.Bytes(), (TBytes{0, 255, 3}));
  v.SetBoolean(false);
  EXPECT_EQ(v.Type(), TVariantType::varBoolean);
  v.SetNull();
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(Variant(5LL).Integer(), 5);
}

}  // namespace
}  // namespace bexlo
