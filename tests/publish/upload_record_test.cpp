// The record of uploads: which made-afresh files need not travel again.

#include "publish/upload_record.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "test_support.h"

namespace albumsmith {
namespace {

RemoteEntry Listed(std::uint64_t size, std::int64_t time) {
  return RemoteEntry{"index.html", time, size, false, false};
}

TEST(UploadRecordTest, OnlyTheSameTextStillListedAsSentIsCurrent) {
  const std::string page = "<html>a page</html>";
  const struct {
    const char* what;
    std::string text;   // made now
    RemoteEntry first;  // the first listing after the upload
    RemoteEntry later;  // a later one
    bool current;       // of the later listing
  } cases[] = {
      {"unchanged", page, Listed(page.size(), 100), Listed(page.size(), 100), true},
      {"text changed, same size", "<html>b page</html>", Listed(page.size(), 100), Listed(page.size(), 100), false},
      {"replaced on the server, same size", page, Listed(page.size(), 100), Listed(page.size(), 160), false},
      {"cut short on the server", page, Listed(page.size(), 100), Listed(page.size() - 3, 100), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UploadRecord record;
    record.Sent("/a/index.html", page);
    EXPECT_EQ(record.Current("/a/index.html", c.text, c.first), c.text == page);
    EXPECT_EQ(record.Current("/a/index.html", c.text, c.later), c.current);
    EXPECT_FALSE(record.Current("/b/index.html", page, c.first));  // never sent there
  }
}

TEST(UploadRecordTest, SavedRecordIsReadBackOnlyForTheSameServerAndWhole) {
  test::TempDir dir;
  const std::string file = (dir.path() / "remsent.dat").string();
  const std::string page = "<html>a page</html>";
  {
    UploadRecord record;
    record.Load(file, "ftp me@host /album/");  // missing: empty
    record.Sent("/album/index.html", page);
    EXPECT_TRUE(record.Current("/album/index.html", page, Listed(page.size(), 100)));  // keeps time 100
    ASSERT_TRUE(record.Save(file));
  }
  const struct {
    const char* what;
    std::string where;
    std::string append;  // added to the saved file
    bool current;
  } cases[] = {
      {"same server", "ftp me@host /album/", "", true},
      {"another server", "ftp me@other /album/", "", false},
      {"another directory", "ftp me@host /site/", "", false},
      {"a damaged line", "ftp me@host /album/", "not a record line\n", false},
  };
  const std::string saved = test::ReadText(file);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteText(file, saved + c.append);
    UploadRecord record;
    record.Load(file, c.where);
    EXPECT_EQ(record.Current("/album/index.html", page, Listed(page.size(), 100)), c.current);
    EXPECT_FALSE(record.Current("/album/index.html", page, Listed(page.size(), 101)));
  }
}

// A save that fails says why and keeps the record pending, so that the next
// save writes what was sent instead of finding nothing changed.
TEST(UploadRecordTest, AFailedSaveIsWrittenByTheNextOne) {
  test::TempDir dir;
  const std::string page = "<html>a page</html>";
  UploadRecord record;
  record.Load((dir.path() / "remsent.dat").string(), "ftp me@host /album/");
  record.Sent("/album/index.html", page);
  const Status failed = record.Save((dir.path() / "no such folder" / "remsent.dat").string());
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.systemError(), ENOENT);

  const std::string file = (dir.path() / "remsent.dat").string();
  ASSERT_TRUE(record.Save(file));
  UploadRecord read;
  read.Load(file, "ftp me@host /album/");
  EXPECT_TRUE(read.Current("/album/index.html", page, Listed(page.size(), 100)));
}

}  // namespace
}  // namespace albumsmith
