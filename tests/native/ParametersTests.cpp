#include <gtest/gtest.h>

#include "commands/Parameters.h"

using namespace kestrova;

TEST(ParseNumber, AcceptsDecimalHexSignsAndSurroundingWhiteSpace) {
  const struct {
    const char16_t* text;
    std::uint32_t value;
  } cases[] = {
      {u"42", 42},           {u" 0x1A ", 26},           {u"\t\r\n0X643\v\f", 1603},
      {u"4294967295", 4294967295u}, {u"0xEE002003", 0xEE002003u}, {u"007", 7},  // leading zeros stay decimal
      {u"-1", 0xFFFFFFFFu},  {u"+5", 5},                {u"-0x10", 0xFFFFFFF0u},  // a minus negates modulo 2^32
  };
  for (const auto& c : cases) {
    std::uint32_t v = 0;
    EXPECT_EQ(ParseNumber(c.text, v), KV_OK);
    EXPECT_EQ(v, c.value);
  }
}

TEST(ParseNumber, RejectsTextThatIsNotANumberAndKeepsTheValue) {
  for (const char16_t* text : {u"", u"   ", u"42abc", u"abc", u"+", u"-", u"0x", u"0xg", u"4 2", u"1.5"}) {
    std::uint32_t v = 77;
    EXPECT_EQ(ParseNumber(text, v), KV_E_INVALID_DATA);
    EXPECT_EQ(v, 77u);
  }
}

TEST(ParseNumber, ReportsOverflow) {
  std::uint32_t v = 0;
  EXPECT_EQ(ParseNumber(u"4294967296", v), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(ParseNumber(u"0x100000000", v), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(ParseNumber(u"99999999999999999999999", v), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(ParseNumber(u"99999999999 x", v), KV_E_INVALID_DATA);  // trailing text outranks the overflow
}

TEST(ParseNumber64, CoversTheSignedRange) {
  std::int64_t v = 0;
  EXPECT_EQ(ParseNumber64(u"-9223372036854775808", v), KV_OK);
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_EQ(ParseNumber64(u"9223372036854775807", v), KV_OK);
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_EQ(ParseNumber64(u"9223372036854775808", v), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(ParseNumber64(u"-9223372036854775809", v), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(ParseNumber64(u" -0x10 ", v), KV_OK);
  EXPECT_EQ(v, -16);
  EXPECT_EQ(ParseNumber64(u"12z", v), KV_E_INVALID_DATA);
}

TEST(ParameterStore, InsertAssignRemoveCompareNamesExactly) {
  ParameterStore store;
  EXPECT_TRUE(store.Insert(u"Result", u"0"));
  EXPECT_FALSE(store.Insert(u"Result", u"1"));
  EXPECT_EQ(*store.Find(u"Result"), u"0");
  EXPECT_EQ(store.Find(u"result"), nullptr);
  EXPECT_FALSE(store.Assign(u"Other", u"1"));
  EXPECT_TRUE(store.Assign(u"Result", u"3010"));
  EXPECT_EQ(*store.Find(u"Result"), u"3010");
  EXPECT_TRUE(store.Remove(u"Result"));
  EXPECT_FALSE(store.Remove(u"Result"));
  EXPECT_EQ(store.size(), 0u);
}
