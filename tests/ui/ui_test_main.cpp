// Runs the GUI test classes in one program, each with the settings folder
// the run was given.

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <memory>

#include "ui/preview_window.h"
#include "ui/table_translator.h"

std::unique_ptr<QObject> NewUiTests();
std::unique_ptr<QObject> NewAlbumWindowTests();
std::unique_ptr<QObject> NewSiteDialogTests();
std::unique_ptr<QObject> NewPublishWindowTests();
std::unique_ptr<QObject> NewTransformWindowTests();
std::unique_ptr<QObject> NewImageEditWindowTests();
std::unique_ptr<QObject> NewAccessWindowTests();
std::unique_ptr<QObject> NewTagDialogTests();
std::unique_ptr<QObject> NewPreviewWindowTests();
std::unique_ptr<QObject> NewDesktopWindowTests();
std::unique_ptr<QObject> NewServerChoicesWindowTests();

// `ui_tests [Class] [QTest options]`: only the named class when one is
// given (ctest runs each class as a test of its own), else every class.
int main(int argc, char* argv[]) {
  albumsmith::ui::PrepareWebEngine();
  QApplication app(argc, argv);
  albumsmith::ui::InstallTableTranslator();
  QTEST_SET_MAIN_SOURCE_PATH
  const QByteArray configDir = qgetenv("ALBUMSMITH_CONFIG_DIR");
  QByteArray only;
  if (argc > 1 && argv[1][0] != '-') {
    only = argv[1];
    argv[1] = argv[0];  // QTest reads the rest as its own options
    --argc;
    ++argv;
  }
  int failures = 0;
  bool found = false;
  for (auto make : {&NewUiTests, &NewAlbumWindowTests, &NewSiteDialogTests, &NewPublishWindowTests,
                    &NewTransformWindowTests, &NewImageEditWindowTests, &NewTagDialogTests, &NewAccessWindowTests,
                    &NewPreviewWindowTests, &NewDesktopWindowTests, &NewServerChoicesWindowTests}) {
    // Each class makes its own settings folder inside the one named.
    if (configDir.isEmpty()) {
      qunsetenv("ALBUMSMITH_CONFIG_DIR");
    } else {
      qputenv("ALBUMSMITH_CONFIG_DIR", configDir);
    }
    std::unique_ptr<QObject> tests = make();
    if (!only.isEmpty() && only != tests->metaObject()->className()) continue;
    found = true;
    failures += QTest::qExec(tests.get(), argc, argv);
  }
  if (!found) {
    std::fprintf(stderr, "no test class %s\n", only.constData());
    return 1;
  }
  return failures;
}
