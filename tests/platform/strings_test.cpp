#include "platform/strings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/messages.h"
#include "test_support.h"

namespace albumsmith {
namespace {

TEST(StringTableTest, BuiltinTextsByNumber) {
  EXPECT_EQ(LoadString(TextId{163}), "2.2.1");
  EXPECT_EQ(LoadString(TextId{57344}), "Albumsmith");
  EXPECT_EQ(LoadString(TextId{32923}), "Copying folder: \n%s");
  EXPECT_EQ(LoadString(TextId{32864}), "The server name cannot contain any '\\' or'/'");
  EXPECT_EQ(FormatString(TextId{32924}, {3, 10}), "Copying 3 files (total 10 files)");
  EXPECT_EQ(LoadString(TextId{1}), "");  // unknown numbers read empty
}

TEST(StringTableTest, LanguageModuleOverridesAndFallsBack) {
  const LanguageModule module = LanguageModule::FromText(
      "# a comment\n"
      "163 \"2.2.1\"\n"
      "32862   \"Entrez un nom de profil\"\n"
      "32923 \"Copie du dossier : \\n%s \\\"x\\\" \\\\\"\n"
      "garbage line\n"
      "32863 missing quotes\n");
  EXPECT_EQ(module.size(), 3u);
  StringTable::Instance().SetModule(module);
  EXPECT_EQ(LoadString(TextId{32862}), "Entrez un nom de profil");
  EXPECT_EQ(LoadString(TextId{32923}), "Copie du dossier : \n%s \"x\" \\");
  EXPECT_EQ(LoadString(TextId{32863}), "Profile already exists");  // missing entry: built-in text
  StringTable::Instance().SetModule(std::nullopt);
  EXPECT_EQ(LoadString(TextId{32862}), "Enter a profile name");
}

TEST(MessagesTest, SystemErrorsAppendNumberAndDescription) {
  auto& prompter = test::Environment::prompter();
  prompter.Clear();
  ShowSystemError(2, TextId::kCannotCreateDirectory, {"/x/y"});
  ShowSystemErrorText(13, "Cannot delete %s", {"/x/z"});
  ShowSystemError(123456, TextId::kCannotDeleteFile, {"f"});
  const auto shown = prompter.shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Cannot create directory /x/y\r\n\r\n2 : No such file or directory");
  EXPECT_EQ(shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(shown[1].text, "Cannot delete /x/z\r\n\r\n13 : Permission denied");
  EXPECT_EQ(shown[2].text, "Cannot delete file f\r\n\r\n123456 : Unknown error");
}

TEST(PrompterTest, ScriptedAnswersAndDefaults) {
  ScriptedPrompter p;
  p.Queue(Answer::Cancel);
  p.Queue(Answer::Yes, true);
  p.Queue(Answer::YesToAll);  // not offered by these buttons
  EXPECT_EQ(p.Ask({Icon::Question, Buttons::OkCancel, "a"}).answer, Answer::Cancel);
  const Reply r = p.Ask({Icon::Question, Buttons::YesNo, "b", false, false, true});
  EXPECT_EQ(r.answer, Answer::Yes);
  EXPECT_TRUE(r.dontAskAgain);
  EXPECT_EQ(p.Ask({Icon::Question, Buttons::YesNoCancel, "c"}).answer, Answer::Cancel);
  EXPECT_EQ(p.Ask({Icon::Question, Buttons::YesNo, "d"}).answer, Answer::Yes);  // empty queue: positive
  EXPECT_EQ(p.texts(), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(PrompterTest, TerminalAnswers) {
  struct Case {
    TerminalPrompter::Assume assume;
    bool interactive;
    const char* input;
    Buttons buttons;
    bool offerDontAsk;
    Answer expected;
    bool dontAsk;
    const char* printed;  // part of what is printed
  } cases[] = {
      {TerminalPrompter::Assume::kYes, false, "", Buttons::OkCancel, true, Answer::Ok, true, "-> OK"},
      {TerminalPrompter::Assume::kYes, false, "", Buttons::YesNoCancel, false, Answer::Yes, false, "-> Yes"},
      {TerminalPrompter::Assume::kNo, false, "", Buttons::YesNo, false, Answer::No, false, "-> No"},
      {TerminalPrompter::Assume::kNo, true, "y\n", Buttons::OkCancel, false, Answer::Cancel, false, "-> Cancel"},
      {TerminalPrompter::Assume::kNothing, false, "y\n", Buttons::YesNo, false, Answer::No, false, "use --yes or --no"},
      {TerminalPrompter::Assume::kNothing, true, "x\nN\n", Buttons::YesNo, false, Answer::No, false, "[y]es / [n]o"},
      {TerminalPrompter::Assume::kNothing, true, "o!\n", Buttons::OkCancel, true, Answer::Ok, true, "[o]k"},
      {TerminalPrompter::Assume::kNothing, true, "", Buttons::OkCancel, false, Answer::Cancel, false, "[c]ancel"},
      {TerminalPrompter::Assume::kNothing, false, "", Buttons::Ok, false, Answer::Ok, false, "Warning: text"},
  };
  for (const Case& c : cases) {
    std::FILE* in = ::fmemopen(const_cast<char*>(c.input), std::strlen(c.input) + (c.input[0] ? 0 : 1), "r");
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    TerminalPrompter p(c.assume, in, out, c.interactive);
    Message m{Icon::Exclamation, c.buttons, "text", false, false, c.offerDontAsk};
    const Reply r = p.Ask(m);
    std::fclose(out);
    std::fclose(in);
    const std::string printed(buffer, size);
    std::free(buffer);
    EXPECT_EQ(r.answer, c.expected) << c.input << " / " << printed;
    EXPECT_EQ(r.dontAskAgain, c.dontAsk) << printed;
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
  }
}

}  // namespace
}  // namespace albumsmith
