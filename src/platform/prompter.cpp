#include "prompter.h"

#include <atomic>

#include "text.h"

namespace albumsmith {

namespace {

// Until a front end installs its own, questions are refused and printed.
TerminalPrompter& FallbackPrompter() {
  static TerminalPrompter fallback(TerminalPrompter::Assume::kNothing, stdin, stderr, false);
  return fallback;
}

std::atomic<Prompter*> gCurrent{nullptr};
thread_local Prompter* tThreadPrompter = nullptr;

bool Offers(const Message& m, Answer a) {
  switch (a) {
    case Answer::Ok:
      return m.buttons == Buttons::Ok || m.buttons == Buttons::OkCancel;
    case Answer::Cancel:
      return m.buttons == Buttons::OkCancel || m.buttons == Buttons::YesNoCancel;
    case Answer::Yes:
    case Answer::No:
      return m.buttons == Buttons::YesNo || m.buttons == Buttons::YesNoCancel;
    case Answer::YesToAll:
      return m.yesToAll;
    case Answer::SkipAll:
      return m.skipAll;
  }
  return false;
}

const char* IconWord(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return "Information";
    case Icon::Question:
      return "Question";
    case Icon::Exclamation:
      return "Warning";
    case Icon::Stop:
      return "Error";
    case Icon::None:
      break;
  }
  return "Message";
}

// The text as one block for a terminal: CR LF pairs become plain line feeds.
std::string TerminalText(const std::string& text) { return ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n"); }

}  // namespace

Prompter& Prompter::Current() {
  if (tThreadPrompter) return *tThreadPrompter;
  Prompter* p = gCurrent.load();
  return p ? *p : FallbackPrompter();
}

void Prompter::SetCurrent(Prompter* prompter) { gCurrent.store(prompter); }

ThreadPrompterScope::ThreadPrompterScope(Prompter& prompter) : previous_(tThreadPrompter) {
  tThreadPrompter = &prompter;
}

ThreadPrompterScope::~ThreadPrompterScope() { tThreadPrompter = previous_; }

Answer PositiveAnswer(Buttons buttons) {
  return (buttons == Buttons::Ok || buttons == Buttons::OkCancel) ? Answer::Ok : Answer::Yes;
}

Answer NegativeAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
      return Answer::Cancel;
    case Buttons::YesNo:
      return Answer::No;
  }
  return Answer::Cancel;
}

bool IsPositive(Answer answer) { return answer == Answer::Ok || answer == Answer::Yes || answer == Answer::YesToAll; }

Reply ScriptedPrompter::Ask(const Message& message) {
  std::lock_guard lock(mutex_);
  shown_.push_back(message);
  if (queued_.empty()) return Reply{PositiveAnswer(message.buttons), false};
  Reply reply = queued_.front();
  queued_.pop_front();
  if (!Offers(message, reply.answer)) reply.answer = NegativeAnswer(message.buttons);
  return reply;
}

void ScriptedPrompter::Queue(Answer answer, bool dontAskAgain) {
  std::lock_guard lock(mutex_);
  queued_.push_back(Reply{answer, dontAskAgain});
}

std::vector<Message> ScriptedPrompter::shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::vector<std::string> ScriptedPrompter::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> t;
  for (const Message& m : shown_) t.push_back(m.text);
  return t;
}

void ScriptedPrompter::Clear() {
  std::lock_guard lock(mutex_);
  shown_.clear();
  queued_.clear();
}

TerminalPrompter::TerminalPrompter(Assume assume, std::FILE* in, std::FILE* out, bool interactive)
    : assume_(assume), in_(in), out_(out), interactive_(interactive) {}

Reply TerminalPrompter::Ask(const Message& message) {
  std::lock_guard lock(mutex_);
  const std::string text = TerminalText(message.text);
  const bool question = message.buttons != Buttons::Ok;
  if (!question) {
    std::fprintf(out_, "%s: %s\n", IconWord(message.icon), text.c_str());
    std::fflush(out_);
    return Reply{Answer::Ok, false};
  }
  if (assume_ != Assume::kNothing || !interactive_) {
    const bool yes = assume_ == Assume::kYes;
    const Answer answer = yes ? PositiveAnswer(message.buttons) : NegativeAnswer(message.buttons);
    const char* word = answer == Answer::Ok    ? "OK"
                       : answer == Answer::Yes ? "Yes"
                       : answer == Answer::No  ? "No"
                                               : "Cancel";
    std::fprintf(out_, "%s: %s\n  -> %s%s\n", IconWord(message.icon), text.c_str(), word,
                 assume_ == Assume::kNothing ? " (no terminal to ask; use --yes or --no)" : "");
    std::fflush(out_);
    return Reply{answer, yes && message.offerDontAsk};
  }

  // Interactive: offer the buttons by their first letters.
  struct Choice {
    char key;
    const char* label;
    Answer answer;
  };
  std::vector<Choice> choices;
  if (message.buttons == Buttons::OkCancel) choices = {{'o', "[o]k", Answer::Ok}, {'c', "[c]ancel", Answer::Cancel}};
  if (message.buttons == Buttons::YesNo) choices = {{'y', "[y]es", Answer::Yes}, {'n', "[n]o", Answer::No}};
  if (message.buttons == Buttons::YesNoCancel)
    choices = {{'y', "[y]es", Answer::Yes}, {'n', "[n]o", Answer::No}, {'c', "[c]ancel", Answer::Cancel}};
  if (message.yesToAll) choices.push_back({'a', "yes to [a]ll", Answer::YesToAll});
  if (message.skipAll) choices.push_back({'s', "[s]kip all", Answer::SkipAll});
  for (;;) {
    std::fprintf(out_, "%s: %s\n", IconWord(message.icon), text.c_str());
    for (size_t i = 0; i < choices.size(); ++i) std::fprintf(out_, "%s%s", i ? " / " : "  ", choices[i].label);
    if (message.offerDontAsk) std::fprintf(out_, "  (add ! to stop asking)");
    std::fprintf(out_, "? ");
    std::fflush(out_);
    char line[256];
    if (!std::fgets(line, sizeof line, in_)) return Reply{NegativeAnswer(message.buttons), false};
    const std::string reply(Trim(line));
    if (reply.empty()) continue;
    const char key = ToLower(reply.substr(0, 1))[0];
    const bool dontAsk = message.offerDontAsk && reply.find('!') != std::string::npos;
    for (const Choice& c : choices)
      if (c.key == key) return Reply{c.answer, dontAsk};
  }
}

}  // namespace albumsmith
