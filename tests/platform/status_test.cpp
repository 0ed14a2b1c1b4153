// The result type every layer returns, and the descriptor that closes itself.

#include "platform/status.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/messages.h"
#include "platform/unique_fd.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

TEST(StatusTest, CarriesTheKindTheTextAndTheSystemError) {
  const Status ok;
  EXPECT_TRUE(ok.ok());
  EXPECT_TRUE(static_cast<bool>(ok));
  EXPECT_EQ(ok.systemError(), 0);
  EXPECT_EQ(ok.systemText(), "");

  const Status cancelled = Status::Cancelled("question answered Cancel");
  EXPECT_FALSE(cancelled);
  EXPECT_TRUE(cancelled.cancelled());
  EXPECT_EQ(cancelled.message(), "question answered Cancel");
  EXPECT_EQ(cancelled.systemText(), "");

  const Status denied = Status::SystemError(EACCES, "Cannot write x");
  EXPECT_EQ(denied.code(), StatusCode::kFailed);
  EXPECT_FALSE(denied.cancelled());
  EXPECT_EQ(denied.systemError(), EACCES);
  EXPECT_EQ(denied.systemText(), "Permission denied");
  EXPECT_EQ(denied.message(), "Cannot write x");

  // A failure reported without an errno still reads as a failure with a reason.
  EXPECT_EQ(Status::SystemError(0).systemError(), EIO);
  EXPECT_TRUE(Status::FromErrno(false, ENOENT));
  EXPECT_EQ(Status::FromErrno(true, ENOENT).systemError(), ENOENT);
  EXPECT_EQ((Status::Failed().WithMessage("worded later")).message(), "worded later");
}

TEST(StatusTest, ResultHoldsAValueOrWhyNot) {
  Result<std::string> found = std::string("/remote/");
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, "/remote/");
  EXPECT_EQ(found->size(), 8u);
  EXPECT_TRUE(found.status().ok());

  const Result<std::string> cancelled = Status::Cancelled();
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(cancelled.code(), StatusCode::kCancelled);

  // Move-only values come out whole.
  Result<std::unique_ptr<int>> owned = std::make_unique<int>(7);
  const std::unique_ptr<int> taken = std::move(owned).value();
  ASSERT_TRUE(taken);
  EXPECT_EQ(*taken, 7);
}

TEST(StatusTest, ShownFailuresReturnWhatWasShown) {
  ScriptedPrompter& prompter = Environment::prompter();
  prompter.Clear();
  const Status s = ShowSystemFailureText(ENOSPC, "Cannot write %s", {"a.txt"});
  ASSERT_EQ(prompter.texts().size(), 1u);
  EXPECT_EQ(s.message(), prompter.texts().back());
  EXPECT_EQ(s.systemError(), ENOSPC);
  EXPECT_EQ(s.message().rfind("Cannot write a.txt\r\n\r\n28 : ", 0), 0u) << s.message();
}

TEST(UniqueFdTest, ClosesExactlyOnceWhateverThePath) {
  TempDir dir;
  const std::string path = (dir.path() / "f").string();
  int raw = -1;
  {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(fd);
    raw = fd.get();
    UniqueFd moved = std::move(fd);
    EXPECT_FALSE(fd.valid());  // NOLINT(bugprone-use-after-move): the moved-from state is what is tested
    EXPECT_EQ(moved.get(), raw);
    EXPECT_NE(::fcntl(raw, F_GETFD), -1);
  }
  EXPECT_EQ(::fcntl(raw, F_GETFD), -1) << "closed when its owner went";
  EXPECT_EQ(errno, EBADF);

  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  raw = fd.get();
  EXPECT_EQ(fd.Close(), 0);
  EXPECT_FALSE(fd);
  EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
  EXPECT_EQ(fd.Close(), 0) << "closing twice closes nothing the second time";

  UniqueFd kept(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  raw = kept.Release();
  EXPECT_NE(::fcntl(raw, F_GETFD), -1) << "a released descriptor stays open";
  ::close(raw);
}

}  // namespace
}  // namespace albumsmith::test
