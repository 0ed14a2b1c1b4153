// Albumsmith's desktop front end.

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <filesystem>

#include "app/application.h"
#include "platform/app_settings.h"
#include "platform/user_dirs.h"
#include "ui/main_frame.h"
#include "ui/qt_prompter.h"
#include "ui/qt_text.h"

int main(int argc, char* argv[]) {
  using namespace albumsmith;
  QApplication app(argc, argv);
  QApplication::setApplicationName(ui::Q(kMessageTitle));
  QApplication::setApplicationVersion(ui::Q(ProgramRelease().ShortText()));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Turns folders of JPEG photos into a web album."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption profileOption(QStringLiteral("profile"),
                                         QStringLiteral("Open the profile <name> instead of the profiles dialog."),
                                         QStringLiteral("name"));
  const QCommandLineOption screenshotOption(
      QStringLiteral("screenshot"), QStringLiteral("Save a picture of the window to <file> and quit."),
      QStringLiteral("file"));
  parser.addOption(profileOption);
  parser.addOption(screenshotOption);
  parser.process(app);

  ui::QtPrompter prompter;
  Prompter::SetCurrent(&prompter);

  AppSettings settings(AppSettings::DefaultFile());
  std::error_code ec;
  Languages languages(ProgramDirectory(), std::filesystem::current_path(ec));
  languages.Load(settings.GetString("Settings", "Language", "English"), settings);

  ui::StartOptions options;
  if (parser.isSet(profileOption)) options.profile = ui::S(parser.value(profileOption));
  const QString screenshot = parser.value(screenshotOption);
  // A picture is taken without anyone to answer the profiles dialog.
  if (!screenshot.isEmpty()) options.profilesDialogAtStart = false;

  ui::MainFrame frame(settings, languages, options);
  frame.show();

  int status = 0;
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(1000, &frame, [&] {
      if (!frame.grab().save(screenshot)) {
        qWarning("Cannot write %s", qPrintable(screenshot));
        status = 1;
      }
      QApplication::quit();
    });
  }
  const int result = QApplication::exec();
  Prompter::SetCurrent(nullptr);
  return status != 0 ? status : result;
}
