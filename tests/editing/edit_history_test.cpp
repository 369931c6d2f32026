// The history on raw bytes: whatever bytes a command changed, near or far
// apart, at the image's ends or across its blocks, undo puts back exactly
// the bytes before and redo exactly the bytes after; and a small change
// costs a small step.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "database/edit_history.h"
#include "database/image_builder.h"

namespace kavor {
namespace {

class RawHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, kKind5);
    b.NameSatellite(0, "One", 192);
    b.AddTransponder(1, 11000, 27500, false);
    ChannelSpec c;
    for (int n = 0; n < 50; ++n) {
      c.name = "C" + std::to_string(n);
      b.AddChannel(1, 1, c);
    }
    b.Finish();
    view.RebuildIndex();
    view.set_image_loaded();
    history.Reset();
  }
  std::vector<std::uint8_t> Bytes() const { return {image.bytes(), image.bytes() + image.length()}; }
  // One command that changes exactly these bytes.
  void Change(const std::vector<std::size_t>& offsets) {
    history.Begin();
    for (std::size_t at : offsets) image.bytes()[at] ^= 0x5A;
    ASSERT_TRUE(history.End("Edit"));
  }

  Image image;
  ViewState view{image};
  EditHistory history{view};
};

TEST_F(RawHistory, UndoAndRedoPutBackExactlyTheChangedBytes) {
  const std::size_t n = image.length();
  const std::vector<std::vector<std::size_t>> cases = {
      {0},
      {n - 1},
      {0, n - 1},
      // Gaps of 7, 8 and 9 equal bytes around the joining rule.
      {100, 108, 117, 127},
      // Across a block edge and in the last, partial block.
      {63, 64, n - 65, n - 64, n - 2},
      {4095, 4096, 4097},
  };
  for (const auto& offsets : cases) {
    const std::vector<std::uint8_t> before = Bytes();
    Change(offsets);
    const std::vector<std::uint8_t> after = Bytes();
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Bytes(), before) << "first offset " << offsets.front();
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Bytes(), after) << "first offset " << offsets.front();
  }
  // Taken back all together, the image is the first one again.
  std::mt19937 random(7);
  std::vector<std::vector<std::uint8_t>> states{Bytes()};
  for (int step = 0; step < 30; ++step) {
    std::vector<std::size_t> offsets;
    const int count = 1 + int(random() % 200);
    for (int i = 0; i < count; ++i) offsets.push_back(random() % n);
    // A byte changed twice in one command is changed back: give it once.
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    Change(offsets);
    states.push_back(Bytes());
  }
  for (int step = 30; step > 0; --step) {
    ASSERT_TRUE(history.Undo());
    ASSERT_EQ(Bytes(), states[std::size_t(step - 1)]) << "undo to state " << step - 1;
  }
}

TEST_F(RawHistory, ACommandThatKeepsEveryByteIsNoStep) {
  history.Begin();
  image.bytes()[500] ^= 1;
  image.bytes()[500] ^= 1;
  EXPECT_FALSE(history.End("Edit"));
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.modified());
}

TEST_F(RawHistory, ASmallChangeIsASmallStep) {
  const std::size_t empty = history.MemoryBytes();
  Change({1000, 90000, 200000});
  // Three bytes, two views of a 50-channel list: far less than an image.
  EXPECT_LT(history.MemoryBytes() - empty, 4096u);
}

TEST_F(RawHistory, AnImageInstalledWithoutAResetStartsAHistoryOfItsOwn) {
  // Bytes of images of different kinds are never compared: the old steps
  // go, and the next change is a step on the new image.
  Change({10});
  Image other;
  ImageBuilder(other, kKind3).Finish();
  image.Install(other.bytes(), kKind3);
  view.RebuildIndex();
  const std::vector<std::uint8_t> installed = Bytes();
  history.Begin();
  image.bytes()[20] ^= 1;
  EXPECT_TRUE(history.End("Edit"));
  EXPECT_EQ(history.undo_count(), 1u);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Bytes(), installed);
  EXPECT_FALSE(history.CanUndo());
}

}  // namespace
}  // namespace kavor
