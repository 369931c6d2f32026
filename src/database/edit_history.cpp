#include "database/edit_history.h"

#include <algorithm>
#include <cstring>

namespace kavor {

namespace {

// Changed bytes closer than this join one run: a run costs about as much to
// describe as this many bytes.
constexpr std::size_t kJoinGap = 8;
constexpr std::size_t kBlock = 64;

}  // namespace

EditHistory::EditHistory(ViewState& view)
    : view_(view), baseline_(std::make_unique<std::uint8_t[]>(kMaxImageLength)) {
  Reset();
}

void EditHistory::Reset() {
  length_ = view_.image().length();
  if (length_) std::memcpy(baseline_.get(), view_.image().bytes(), length_);
  undo_.clear();
  redo_.clear();
  pending_ = false;
  base_state_ = next_state_++;
  saved_state_ = base_state_;
}

void EditHistory::Begin() {
  // An image installed behind the history's back cannot be compared with
  // the old one; it starts a history of its own.
  if (view_.image().length() != length_) Reset();
  pending_before_ = view_.Snapshot();
  pending_ = true;
}

bool EditHistory::End(const std::string& what) {
  const bool begun = pending_;
  pending_ = false;
  if (view_.image().length() != length_) {
    Reset();
    return false;
  }
  const std::uint8_t* now = view_.image().bytes();
  std::uint8_t* was = baseline_.get();
  Step step;
  for (std::size_t i = 0; i < length_;) {
    while (i + kBlock <= length_ && std::memcmp(now + i, was + i, kBlock) == 0) i += kBlock;
    while (i < length_ && now[i] == was[i]) ++i;
    if (i >= length_) break;
    const std::size_t start = i;
    std::size_t end = i + 1;
    for (std::size_t j = end; j < length_ && j - end < kJoinGap; ++j)
      if (now[j] != was[j]) end = j + 1;
    step.runs.push_back({std::uint32_t(start), std::uint32_t(end - start)});
    i = end;
  }
  if (step.runs.empty()) return false;

  std::size_t total = 0;
  for (const Run& r : step.runs) total += r.length;
  step.bytes.resize(total);
  std::uint8_t* out = step.bytes.data();
  for (const Run& r : step.runs) {
    std::memcpy(out, was + r.offset, r.length);
    std::memcpy(was + r.offset, now + r.offset, r.length);
    out += r.length;
  }
  step.name = what;
  step.state = next_state_++;
  step.after = view_.Snapshot();
  step.before = begun ? std::move(pending_before_) : step.after;
  undo_.push_back(std::move(step));
  redo_.clear();
  if (undo_.size() > kStepLimit) {
    base_state_ = undo_.front().state;
    undo_.pop_front();
  }
  return true;
}

void EditHistory::Swap(Step& step) {
  std::uint8_t* image = view_.image().bytes();
  std::uint8_t* kept = step.bytes.data();
  for (const Run& r : step.runs) {
    std::swap_ranges(kept, kept + r.length, image + r.offset);
    std::memcpy(baseline_.get() + r.offset, image + r.offset, r.length);
    kept += r.length;
  }
}

std::string EditHistory::UndoName() const { return undo_.empty() ? std::string() : undo_.back().name; }
std::string EditHistory::RedoName() const { return redo_.empty() ? std::string() : redo_.back().name; }

bool EditHistory::Undo() {
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  Swap(step);
  view_.Restore(step.before);
  redo_.push_back(std::move(step));
  return true;
}

bool EditHistory::Redo() {
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  Swap(step);
  view_.Restore(step.after);
  undo_.push_back(std::move(step));
  return true;
}

std::size_t EditHistory::MemoryBytes() const {
  std::size_t total = kMaxImageLength + pending_before_.MemoryBytes();
  auto add = [&total](const Step& s) {
    total += sizeof(Step) + s.name.capacity() + s.runs.capacity() * sizeof(Run) + s.bytes.capacity() +
             s.before.MemoryBytes() + s.after.MemoryBytes();
  };
  for (const Step& s : undo_) add(s);
  for (const Step& s : redo_) add(s);
  return total;
}

}  // namespace kavor
