// A user interface answering from queues, one answer per call, and
// recording what each dialog was asked. A call with no answer queued
// cancels, as the real dialogs' default does.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editing/user_interface.h"

namespace kavor {

class FakeUserInterface : public UserInterface {
 public:
  using EditAnswer = std::function<bool(ChannelRecord)>;
  struct FindAnswer {
    bool ok;
    std::string text;
    bool match_case;
  };

  std::deque<bool> ok_cancel;
  std::deque<EditAnswer> edits;
  std::deque<std::optional<long long>> numbers;
  std::deque<FindAnswer> finds;

  std::vector<std::string> asked;  // "caption|text", editor captions, prompts
  std::vector<long long> shown_numbers;
  std::vector<std::pair<std::string, bool>> shown_finds;

  void ShowMessage(const std::string& text, MessageIcon) override { asked.push_back("message|" + text); }
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }

  bool AskOkCancel(const std::string& caption, const std::string& text) override {
    asked.push_back(caption + "|" + text);
    return Pop(ok_cancel, false);
  }
  bool EditChannel(const std::string& caption, ChannelRecord record) override {
    asked.push_back(caption);
    EditAnswer answer = Pop(edits, EditAnswer{});
    return answer ? answer(record) : false;
  }
  std::optional<long long> AskNumber(const std::string& prompt, long long number) override {
    asked.push_back(prompt);
    shown_numbers.push_back(number);
    return Pop(numbers, std::optional<long long>{});
  }
  bool AskFind(std::string& text, bool& match_case) override {
    shown_finds.emplace_back(text, match_case);
    const FindAnswer answer = Pop(finds, FindAnswer{false, "", false});
    if (!answer.ok) return false;
    text = answer.text;
    match_case = answer.match_case;
    return true;
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

}  // namespace kavor
