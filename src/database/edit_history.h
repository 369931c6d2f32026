// Undo and redo over the image and its view. A step is one user command that
// changed the image: it keeps the image's changed byte runs (the bytes of the
// other side of the step) and the view before and after. The history also
// knows the state last saved, so the document can tell whether it is modified.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "database/view_state.h"

namespace kavor {

class EditHistory {
 public:
  // At least this many steps are kept; older ones are dropped first.
  static constexpr std::size_t kStepLimit = 100;

  explicit EditHistory(ViewState& view);

  // A new image was installed: no steps, and the image as it is now is the
  // saved state.
  void Reset();

  // Around one user command: Begin before it runs, End after it. End records
  // a step named `what` ("Delete", "Move to", ...) when the image's bytes
  // changed, and drops the steps that could be redone; true when it did.
  void Begin();
  bool End(const std::string& what);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The name of the step Undo or Redo would take; empty when there is none.
  std::string UndoName() const;
  std::string RedoName() const;
  // False when there was nothing to undo or redo (nothing changed then).
  bool Undo();
  bool Redo();
  std::size_t undo_count() const { return undo_.size(); }
  std::size_t redo_count() const { return redo_.size(); }

  // The image as it is now was saved.
  void MarkSaved() { saved_state_ = CurrentState(); }
  // The image differs from the state last saved or loaded (undoing back to
  // it clears this again).
  bool modified() const { return CurrentState() != saved_state_; }

  // Heap bytes the steps and the baseline copy hold.
  std::size_t MemoryBytes() const;

 private:
  struct Run {
    std::uint32_t offset;  // in the image
    std::uint32_t length;
  };
  struct Step {
    std::string name;
    std::uint64_t state;  // the state the step leads to
    std::vector<Run> runs;
    // The runs' bytes one after the other: on the undo side the bytes before
    // the step, on the redo side the bytes after it. Undo and Redo swap them
    // with the image's, so each step holds only one side.
    std::vector<std::uint8_t> bytes;
    ViewSnapshot before;
    ViewSnapshot after;
  };

  std::uint64_t CurrentState() const { return undo_.empty() ? base_state_ : undo_.back().state; }
  void Swap(Step& step);

  ViewState& view_;
  // The image as the last recorded state left it, to find what a command changed.
  std::unique_ptr<std::uint8_t[]> baseline_;
  std::size_t length_ = 0;
  ViewSnapshot pending_before_;
  bool pending_ = false;
  std::deque<Step> undo_;  // oldest first
  std::vector<Step> redo_;  // the next redo last
  std::uint64_t next_state_ = 1;
  std::uint64_t base_state_ = 0;  // the state before the oldest kept step
  std::uint64_t saved_state_ = 0;
};

}  // namespace kavor
