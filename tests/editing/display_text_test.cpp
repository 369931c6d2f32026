// Row texts on screen: control bytes become a visible placeholder, one
// character per byte, everything else is Latin-1.
#include <gtest/gtest.h>

#include "editing/display_text.h"

namespace kavor {
namespace {

TEST(DisplayTextTest, ControlBytesAndTheirNeighbours) {
  const QChar mark('#');
  struct Case {
    unsigned char byte;
    bool control;
  } cases[] = {
      {0x01, true}, {0x09, true},  {0x1F, true},  {0x20, false}, {0x41, false}, {0x7E, false},
      {0x7F, true}, {0x80, true},  {0x86, true},  {0x9F, true},  {0xA0, false}, {0xE9, false},
      {0xFF, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsControlByte(c.byte), c.control) << int(c.byte);
    const std::string bytes = std::string("a") + char(c.byte) + "b";
    const QString text = DisplayText(bytes, mark);
    ASSERT_EQ(text.size(), 3) << int(c.byte);
    EXPECT_EQ(text.at(1), c.control ? mark : QChar(c.byte)) << int(c.byte);
    EXPECT_EQ(text.at(0), QChar('a'));
    EXPECT_EQ(text.at(2), QChar('b'));
  }
}

}  // namespace
}  // namespace kavor
