#pragma once
// Every message box and question of the program goes through a Prompter.
// The GUI shows a message box (a worker blocks until the GUI thread answers),
// the command line asks on the terminal or follows --yes / --no, and tests
// answer from a script while recording every text shown.

#include <deque>
#include <mutex>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

enum class Icon { None, Information, Question, Exclamation, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No, YesToAll, SkipAll };

inline constexpr std::string_view kMessageTitle = "Albumsmith";

struct Message {
  Icon icon = Icon::None;
  Buttons buttons = Buttons::Ok;
  std::string text;
  bool yesToAll = false;      // adds "Y&es to All"
  bool skipAll = false;       // adds "S&kip All"
  bool offerDontAsk = false;  // shows the "Don't ask me again" check box
};

struct Reply {
  Answer answer = Answer::Ok;
  bool dontAskAgain = false;  // the check box was ticked
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows the message and waits for the answer. Thread-safe.
  virtual Reply Ask(const Message& message) = 0;

  // The prompter every core function reports through; set once by the front end.
  static Prompter& Current();
  static void SetCurrent(Prompter* prompter);
};

// While it lives, what the calling thread shows or asks goes to `prompter`
// instead of the current one; other threads are not affected. For helpers
// whose failures are handled by someone else (a spare connection whose work
// goes back to the main one).
class ThreadPrompterScope {
 public:
  explicit ThreadPrompterScope(Prompter& prompter);
  ~ThreadPrompterScope();
  ThreadPrompterScope(const ThreadPrompterScope&) = delete;
  ThreadPrompterScope& operator=(const ThreadPrompterScope&) = delete;

 private:
  Prompter* previous_;
};

// The answer that stands for "go ahead" / "refuse" with the given buttons.
Answer PositiveAnswer(Buttons buttons);
Answer NegativeAnswer(Buttons buttons);
bool IsPositive(Answer answer);

// Answers from a queue and records every message (for tests). An empty queue
// answers with the positive button; a queued answer that the buttons do not
// offer is a programming error in the test and answers the negative one.
class ScriptedPrompter : public Prompter {
 public:
  Reply Ask(const Message& message) override;
  void Queue(Answer answer, bool dontAskAgain = false);
  std::vector<Message> shown() const;
  std::vector<std::string> texts() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<Reply> queued_;
  std::vector<Message> shown_;
};

// Asks on a terminal. With `assume` set, questions are not asked: kYes answers
// OK/Yes and ticks "Don't ask me again", kNo answers Cancel/No. Without a
// terminal and without `assume`, questions are answered Cancel/No and the
// refused question is printed so that the user sees what was declined.
class TerminalPrompter : public Prompter {
 public:
  enum class Assume { kNothing, kYes, kNo };
  TerminalPrompter(Assume assume, std::FILE* in, std::FILE* out, bool interactive);
  Reply Ask(const Message& message) override;

 private:
  std::mutex mutex_;
  Assume assume_;
  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
};

}  // namespace albumsmith
