// Runs every GUI test class in one program, each with the settings folder
// the run was given.

#include <QApplication>
#include <QTest>
#include <memory>

std::unique_ptr<QObject> NewUiTests();
std::unique_ptr<QObject> NewAlbumWindowTests();
std::unique_ptr<QObject> NewSiteDialogTests();
std::unique_ptr<QObject> NewPublishWindowTests();

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QTEST_SET_MAIN_SOURCE_PATH
  const QByteArray configDir = qgetenv("ALBUMSMITH_CONFIG_DIR");
  int failures = 0;
  for (auto make : {&NewUiTests, &NewAlbumWindowTests, &NewSiteDialogTests, &NewPublishWindowTests}) {
    // Each class makes its own settings folder inside the one named.
    if (configDir.isEmpty()) {
      qunsetenv("ALBUMSMITH_CONFIG_DIR");
    } else {
      qputenv("ALBUMSMITH_CONFIG_DIR", configDir);
    }
    std::unique_ptr<QObject> tests = make();
    failures += QTest::qExec(tests.get(), argc, argv);
  }
  return failures;
}
