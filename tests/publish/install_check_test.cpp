// The support files on the server (check, install, background) and the
// "Check profile" steps, on a server in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "fake_transport.h"
#include "platform/app_settings.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "publish/profile_check.h"
#include "publish/remote_install.h"
#include "site/template.h"
#include "sync_test_profile.h"

namespace albumsmith {
namespace {

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

TEST(IndexFingerprintTest, BytesAreSignedAndWeightedByPosition) {
  EXPECT_EQ(IndexFingerprint(""), 0u);
  EXPECT_EQ(IndexFingerprint("a"), 0u);    // position 0 weighs nothing
  EXPECT_EQ(IndexFingerprint("ab"), 98u);  // 'b' * 1
  EXPECT_EQ(IndexFingerprint("abc"), 98u + 99u * 2);
  EXPECT_EQ(IndexFingerprint(std::string("x\xFF", 2)), 0xFFFFFFFFu);  // -1 * 1, wrapped
  // Stored in the settings of sites installed earlier, so the value is fixed:
  // a line of PHP with two bytes of UTF-8 (-61 * 19 and -87 * 20).
  EXPECT_EQ(IndexFingerprint("<?PHP\n$title = 'Caf\xC3\xA9';\n?>"), 15189u);
  EXPECT_NE(IndexFingerprint("<?PHP a ?>"), IndexFingerprint("<?PHP b ?>"));
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prompts().Clear();
    fake_.clock = std::time(nullptr);  // uploads are dated now
  }

  RemoteSite Site() {
    return RemoteSite{fake_,
                      profile_.settings(),
                      profile_.profileDir(),
                      "/album/",
                      TemplateDirectory(test::TemplateDataDir(), profile_.settings().templateName),
                      profile_.settingsFile(),
                      sink_,
                      stop_};
  }
  InstallCheck Check() {
    RemoteSite site = Site();
    return CheckInstallation(site);
  }
  Status Install() {
    RemoteSite site = Site();
    return InstallRemoteSoftware(site);
  }
  std::string Local(const std::string& relative) const { return test::ReadText(test::TemplateDataDir() + relative); }

  test::SyncTestProfile profile_;
  test::FakeTransport fake_;
  RecordingWindowSink sink_;
  std::atomic<bool> stop_{false};
};

TEST_F(InstallTest, InstallPutsEverySupportFileAndTheCheckThenPasses) {
  EXPECT_EQ(Check(), InstallCheck::kOutdated);
  ASSERT_TRUE(Install());
  for (const char* dir : {"/album/albsite/bg", "/album/albsite/m", "/album/albsite/s"})
    EXPECT_TRUE(fake_.dirs.count(dir));
  for (const char* file : {"albsite/js/album_s.js", "albsite/js/dtree.js", "albsite/js/albumsmith.css",
                           "albsite/images/loading.gif", "albsite/images/movieanim.gif"})
    EXPECT_EQ(fake_.files[std::string("/album/") + file].content, Local(file)) << file;
  EXPECT_FALSE(fake_.files.count("/album/index.php"));  // a static site

  // A successful check sends nothing, except a style sheet that changed.
  auto puts = [this] {
    std::vector<std::string> sent;
    std::copy_if(fake_.calls.begin(), fake_.calls.end(), std::back_inserter(sent),
                 [](const std::string& c) { return StartsWith(c, "Put"); });
    fake_.calls.clear();
    return sent;
  };
  const std::string css = "/album/albsite/js/albumsmith.css";
  puts();
  EXPECT_EQ(Check(), InstallCheck::kCurrent);
  EXPECT_EQ(puts(), std::vector<std::string>{});
  fake_.files[css].content += "/* edited */";
  EXPECT_EQ(Check(), InstallCheck::kCurrent);
  EXPECT_EQ(puts(), std::vector<std::string>{"PutFile " + css});
  EXPECT_EQ(fake_.files[css].content, Local("albsite/js/albumsmith.css"));
  fake_.files[css].time = 0;  // same size, older than the template's
  EXPECT_EQ(Check(), InstallCheck::kCurrent);
  EXPECT_EQ(puts(), std::vector<std::string>{"PutFile " + css});
  EXPECT_TRUE(Prompts().texts().empty());
}

// What the check makes of a server whose installation was changed behind
// its back: names and sizes count, times never.
TEST_F(InstallTest, CheckComparesNamesAndSizesNotTimes) {
  ASSERT_TRUE(Install());
  const struct {
    const char* what;
    std::function<void(test::FakeTransport&)> change;
    InstallCheck result;
  } cases[] = {
      {"untouched", [](test::FakeTransport&) {}, InstallCheck::kCurrent},
      {"script older", [](test::FakeTransport& f) { f.files["/album/albsite/js/dtree.js"].time = 0; },
       InstallCheck::kCurrent},
      {"script of another size", [](test::FakeTransport& f) { f.files["/album/albsite/js/dtree.js"].content += ";"; },
       InstallCheck::kOutdated},
      {"style sheet missing", [](test::FakeTransport& f) { f.files.erase("/album/albsite/js/albumsmith.css"); },
       InstallCheck::kOutdated},
      {"style sheet of another size: sent again",
       [](test::FakeTransport& f) { f.files["/album/albsite/js/albumsmith.css"].content = "x"; },
       InstallCheck::kCurrent},
      {"an extra image",
       [](test::FakeTransport& f) {
         f.files["/album/albsite/images/mine.gif"] = {"gif", 0};
       },
       InstallCheck::kCurrent},
      {"an image missing", [](test::FakeTransport& f) { f.files.erase("/album/albsite/images/loading.gif"); },
       InstallCheck::kOutdated},
      {"medium directory missing", [](test::FakeTransport& f) { f.dirs.erase("/album/albsite/m"); },
       InstallCheck::kOutdated},
      {"listing fails", [](test::FakeTransport& f) { f.failOnCall = static_cast<int>(f.calls.size()) + 2; },
       InstallCheck::kFailed},
  };
  const test::FakeTransport installed = fake_;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prompts().Clear();
    fake_ = installed;
    c.change(fake_);
    RemoteSite site = Site();
    EXPECT_EQ(CheckInstallation(site), c.result);
    EXPECT_EQ(site.lastError != 0, c.result == InstallCheck::kFailed);
  }
}

TEST_F(InstallTest, PhpEntryPageIsCheckedByItsFingerprint) {
  profile_.settings().php = 1;
  profile_.Save();
  ASSERT_TRUE(Install());
  const std::string index = fake_.files["/album/index.php"].content;
  ASSERT_FALSE(index.empty());
  const AppSettings app(profile_.settingsFile());
  EXPECT_EQ(static_cast<std::uint32_t>(app.GetInt("Profiles\\Holiday", "IndexCheck", 0)), IndexFingerprint(index));
  EXPECT_EQ(Check(), InstallCheck::kCurrent);

  // The entry page carries the profile's settings: a change makes the
  // installed one out of date until it is installed again.
  profile_.settings().thumbsPerLine += 1;
  EXPECT_EQ(Check(), InstallCheck::kOutdated);
  ASSERT_TRUE(Install());
  EXPECT_EQ(Check(), InstallCheck::kCurrent);

  fake_.files.erase("/album/index.php");
  EXPECT_EQ(Check(), InstallCheck::kOutdated);
}

TEST_F(InstallTest, BackgroundDirectoryHoldsOnlyTheChosenBackground) {
  ASSERT_TRUE(Install());
  fake_.files["/album/albsite/bg/old.jpg"] = {"old", 0};
  fake_.dirs.insert("/album/albsite/bg/keep");
  const std::string chosen = test::TemplateDataDir() + "albsite/images/loading.gif";
  const struct {
    const char* what;
    std::string background;
    std::vector<std::string> files;  // in albsite/bg afterwards
  } cases[] = {
      {"chosen: sent, the other goes", chosen, {"/album/albsite/bg/loading.gif"}},
      {"unchanged: nothing sent", chosen, {"/album/albsite/bg/loading.gif"}},
      {"none: every file goes", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.calls.clear();
    profile_.settings().background = c.background;
    RemoteSite site = Site();
    ASSERT_TRUE(SyncBackground(site));
    std::vector<std::string> files;
    for (const auto& [path, file] : fake_.files)
      if (StartsWith(path, "/album/albsite/bg/")) files.push_back(path);
    EXPECT_EQ(files, c.files);
    EXPECT_TRUE(fake_.dirs.count("/album/albsite/bg/keep"));
    if (std::string(c.what).find("unchanged") == 0) {
      EXPECT_EQ(fake_.calls, std::vector<std::string>{"ListDir /album/albsite/bg/"});
    }
  }
}

TEST_F(InstallTest, StopBeforeAStepFailsWithoutAMessage) {
  stop_ = true;
  EXPECT_EQ(Check(), InstallCheck::kFailed);
  EXPECT_EQ(Install().code(), StatusCode::kStopped);
  RemoteSite site = Site();
  EXPECT_EQ(SyncBackground(site).code(), StatusCode::kStopped);
  EXPECT_TRUE(fake_.calls.empty());
  EXPECT_TRUE(Prompts().texts().empty());
}

// "Check profile": each line shows, then gets its tick when its step
// succeeds; the sequence stops at the first failure.
TEST(ProfileCheckTest, LinesTickUntilAStepFails) {
  using Event = std::pair<CheckLine, CheckEvent>;
  const Event shown1{CheckLine::kConnection, CheckEvent::kShown}, ticked1{CheckLine::kConnection, CheckEvent::kChecked};
  const Event shown2{CheckLine::kBaseDirectory, CheckEvent::kShown},
      ticked2{CheckLine::kBaseDirectory, CheckEvent::kChecked}, warned2{CheckLine::kBaseDirectory, CheckEvent::kWarned};
  const Event shown3{CheckLine::kCreateDelete, CheckEvent::kShown},
      ticked3{CheckLine::kCreateDelete, CheckEvent::kChecked};
  const std::string notEmpty =
      "The remote base directory is not empty\n\nThis is not an error if the profile has already been "
      "synchronized\notherwise the existing files will be deleted !";
  const struct {
    const char* what;
    std::function<void(test::FakeTransport&)> server;
    bool succeeds;
    std::vector<Event> events;
    std::vector<std::string> messages;
  } cases[] = {
      {"empty server", [](test::FakeTransport&) {}, true, {shown1, ticked1, shown2, ticked2, shown3, ticked3}, {}},
      {"only directories: no warning",
       [](test::FakeTransport& f) {
         f.dirs.insert("/album");
         f.dirs.insert("/album/m");
       },
       true,
       {shown1, ticked1, shown2, ticked2, shown3, ticked3},
       {}},
      {"a file: warned, goes on",
       [](test::FakeTransport& f) {
         f.dirs.insert("/album");
         f.files["/album/index.html"] = {"x", 0};
       },
       true,
       {shown1, ticked1, shown2, warned2, shown3, ticked3},
       {notEmpty}},
      {"no connection", [](test::FakeTransport& f) { f.failOnCall = 1; }, false, {shown1}, {"Connect failed"}},
      {"cannot write",
       [](test::FakeTransport& f) { f.failOnCall = 4; },
       false,
       {shown1, ticked1, shown2, ticked2, shown3},
       {"PutBuffer /album/fdiekjd8.test failed"}},
  };
  ProfileSettings profile;
  profile.remoteDir = "/album/";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prompts().Clear();
    test::FakeTransport fake;
    c.server(fake);
    std::vector<Event> events;
    ProfileCheck check(fake, profile, [&](CheckLine line, CheckEvent event) { events.emplace_back(line, event); });
    int ticks = 0;
    while (check.Step()) ++ticks;
    EXPECT_EQ(check.succeeded(), c.succeeds);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(Prompts().texts(), c.messages);
    EXPECT_FALSE(fake.files.count("/album/fdiekjd8.test"));
    if (c.succeeds) {
      EXPECT_EQ(ticks, 6);  // the dialog's timer fires once per step
    }
  }
}

}  // namespace
}  // namespace albumsmith
