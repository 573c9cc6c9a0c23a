#include <gtest/gtest.h>

#include "IntegerText.h"

TEST(ParseInteger, AcceptsDecimalAndBothHexPrefixes) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"10001", 10001}, {"0x1F", 31},  {"0X1f", 31},     {"$1F", 31},
      {"-5", -5},       {" 42 ", 42},  {"$FFFFFFFF", -1}, {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"", std::nullopt}, {"abc", std::nullopt}, {"12a", std::nullopt}, {"$", std::nullopt},
      {"0x", std::nullopt}, {"2147483648", std::nullopt}, {"1 2", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}
