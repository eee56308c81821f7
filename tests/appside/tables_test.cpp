#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "appside/appside.h"
#include "runtime/utilities/bytes.h"

namespace {

std::string mask(const char* numb) {
  std::uint8_t n[3], out[82];
  std::memcpy(n, numb, 3);
  std::memset(out, 0x55, sizeof out);
  EDITMASK(n, out);
  return std::string(reinterpret_cast<char*>(out), 82);
}

std::string message(int number) {
  std::uint8_t n[2], text[80];
  kv::put_s16(n, static_cast<std::int16_t>(number));
  std::memset(text, 0x55, sizeof text);
  SCRMSG(n, text);
  return std::string(reinterpret_cast<char*>(text), 80);
}

TEST(DefaultEditMask, RecordsAndFallbackToMaskOne) {
  const std::string dd(1, static_cast<char>(0xDD));
  EXPECT_EQ(mask("001"), kv::padded("N 999999999999999999999-" + dd, 82));
  EXPECT_EQ(mask("010"), kv::padded("N*$ZZ,ZZZ,ZZZ,ZZ9.99CR" + dd, 82));
  EXPECT_EQ(mask("080"), kv::padded("N (999)&&999-9999" + dd, 82));
  EXPECT_EQ(mask("090"), kv::padded("N \x9C\x9C\x9C,\x9C\x9C\x9C,\x9C\x9C\x9C,\x9C\x9C\x9C.99CR" + dd, 82));
  EXPECT_EQ(mask("076"), kv::padded("C   -  -  " + dd, 82));
  EXPECT_EQ(mask("101"), kv::padded("Cc", 82));  // justification code, blank text
  EXPECT_EQ(mask("104"), kv::padded("D /" + dd, 82));
  for (const char* bad : {"105", "000", "0AB", "   ", "999"}) EXPECT_EQ(mask(bad), mask("001")) << bad;
}

TEST(DefaultScrMsg, TextsPaddingAndNotDefined) {
  EXPECT_EQ(message(1), kv::padded(" is an invalid BG color.", 80));
  EXPECT_EQ(message(26), kv::padded(std::string(29, ' ') + "Please wait - Painting", 80));
  EXPECT_EQ(message(37), kv::padded("Floppy Menu storage was CANCELled!", 80));
  EXPECT_EQ(message(40), kv::padded("Required Bypass Keys storage was CANCELled!", 80));
  EXPECT_EQ(message(45), std::string(80, ' '));
  EXPECT_EQ(message(100), std::string(80, ' '));
  auto undefined = [](const std::string& digits) {
    return kv::padded("Message number " + digits +
                          " was requested but is not defined in SCRMSG." + std::string(1, '\0'),
                      80);
  };
  EXPECT_EQ(message(101), undefined("0001"));
  EXPECT_EQ(message(102), undefined("0002"));
  EXPECT_EQ(message(300), undefined("0200"));
  EXPECT_EQ(message(0), undefined("0000"));
  EXPECT_EQ(message(-5), undefined("-005"));
}

}  // namespace
