#include <gtest/gtest.h>

#include <tuple>

#include "commands/Parameters.h"
#include "support/Text.h"

using namespace kestrova;

TEST(ParseNumber, DecimalHexSignsWhiteSpaceAndTheUnsignedLimit) {
  const KVResult invalid = KV_E_INVALID_DATA, range = KV_E_OUT_OF_RANGE;
  const std::tuple<const char16_t*, KVResult, std::uint32_t> cases[] = {
      {u"42", KV_OK, 42}, {u" 0x1A ", KV_OK, 26}, {u"\t\r\n0X643\v\f", KV_OK, 1603}, {u"007", KV_OK, 7},  // decimal
      {u"4294967295", KV_OK, 4294967295u}, {u"0xEE002003", KV_OK, 0xEE002003u},
      {u"-1", KV_OK, 0xFFFFFFFFu}, {u"+5", KV_OK, 5}, {u"-0x10", KV_OK, 0xFFFFFFF0u},  // a minus negates modulo 2^32
      // A failure keeps the value.
      {u"4294967296", range, 77}, {u"0x100000000", range, 77}, {u"99999999999999999999999", range, 77},
      {u"99999999999 x", invalid, 77},  // trailing text outranks the overflow
      {u"", invalid, 77}, {u"   ", invalid, 77}, {u"42abc", invalid, 77}, {u"abc", invalid, 77}, {u"+", invalid, 77},
      {u"0x", invalid, 77}, {u"4 2", invalid, 77},
  };
  for (const auto& [text, result, expected] : cases) {
    std::uint32_t value = 77;
    EXPECT_EQ(ParseNumber(text, value), result) << Utf16ToUtf8(text);
    EXPECT_EQ(value, expected) << Utf16ToUtf8(text);
  }
}

TEST(ParseNumber64, CoversTheSignedRange) {
  for (const auto& [text, result, expected] :
       {std::tuple{u"-9223372036854775808", KV_OK, INT64_MIN}, {u"9223372036854775807", KV_OK, INT64_MAX},
        {u" -0x10 ", KV_OK, std::int64_t{-16}}, {u"9223372036854775808", KV_E_OUT_OF_RANGE, std::int64_t{5}},
        {u"-9223372036854775809", KV_E_OUT_OF_RANGE, std::int64_t{5}}, {u"12z", KV_E_INVALID_DATA, std::int64_t{5}}}) {
    std::int64_t value = 5;
    EXPECT_EQ(ParseNumber64(text, value), result) << Utf16ToUtf8(text);
    EXPECT_EQ(value, expected) << Utf16ToUtf8(text);
  }
}

TEST(ParameterStore, InsertAssignRemoveCompareNamesExactly) {
  ParameterStore store;
  EXPECT_TRUE(store.Insert(u"Result", u"0"));
  EXPECT_FALSE(store.Insert(u"Result", u"1") || store.Assign(u"Other", u"1"));
  EXPECT_EQ(*store.Find(u"Result"), u"0");
  EXPECT_EQ(store.Find(u"result"), nullptr);
  EXPECT_TRUE(store.Assign(u"Result", u"3010"));
  EXPECT_EQ(*store.Find(u"Result"), u"3010");
  EXPECT_TRUE(store.Remove(u"Result"));
  EXPECT_FALSE(store.Remove(u"Result"));
  EXPECT_EQ(store.size(), 0u);
}
