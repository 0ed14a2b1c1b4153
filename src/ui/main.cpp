// Albumsmith's desktop front end.

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QTimer>
#include <filesystem>

#include "app/application.h"
#include "platform/app_settings.h"
#include "platform/user_dirs.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "ui/preview_window.h"
#include "ui/qt_prompter.h"
#include "ui/qt_text.h"
#include "ui/table_translator.h"

int main(int argc, char* argv[]) {
  using namespace albumsmith;
  ui::PrepareWebEngine();
  QApplication app(argc, argv);
  ui::InstallTableTranslator();
  QApplication::setApplicationName(ui::ToQString(kMessageTitle));
  QApplication::setApplicationVersion(ui::ToQString(ProgramRelease().ShortText()));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Turns folders of JPEG photos into a web album."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption profileOption(QStringLiteral("profile"),
                                         QStringLiteral("Open the profile <name> instead of the profiles dialog."),
                                         QStringLiteral("name"));
  const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                            QStringLiteral("Save a picture of the window to <file> and quit."),
                                            QStringLiteral("file"));
  const QCommandLineOption folderOption(
      QStringLiteral("folder"), QStringLiteral("With --profile: select the folder <path> (relative to the album)."),
      QStringLiteral("path"));
  const QCommandLineOption listModeOption(QStringLiteral("list-mode"),
                                          QStringLiteral("Show the images as a detailed list."));
  parser.addOption(profileOption);
  parser.addOption(screenshotOption);
  parser.addOption(folderOption);
  const QCommandLineOption sizeOption(QStringLiteral("window-size"),
                                      QStringLiteral("Open the window <width>x<height> units large."),
                                      QStringLiteral("size"));
  parser.addOption(listModeOption);
  parser.addOption(sizeOption);
  parser.process(app);

  ui::QtPrompter prompter;
  Prompter::SetCurrent(&prompter);

  AppSettings settings(AppSettings::DefaultFile());
  std::error_code ec;
  Languages languages(ProgramDirectory(), std::filesystem::current_path(ec));

  ui::StartOptions options;
  if (parser.isSet(profileOption)) options.profile = ui::ToUtf8(parser.value(profileOption));
  const QString screenshot = parser.value(screenshotOption);
  // A picture is taken without anyone to answer the profiles dialog.
  if (!screenshot.isEmpty()) options.profilesDialogAtStart = false;

  ui::MainFrame frame(settings, languages, options);
  if (parser.isSet(sizeOption)) {
    const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
    if (size.size() == 2) frame.resize(size[0].toInt(), size[1].toInt());
  }
  frame.show();

  if (parser.isSet(folderOption) && !frame.folderTree()->selectPath(ui::ToUtf8(parser.value(folderOption))))
    qWarning("No folder \"%s\" in the profile", qPrintable(parser.value(folderOption)));
  if (parser.isSet(listModeOption)) frame.action(CommandId::kList)->trigger();

  int status = 0;
  if (!screenshot.isEmpty()) {
    // The picture waits until the folder is shown and the image worker has
    // made its pictures, but never longer than the limit.
    constexpr int kSettleMs = 1000;
    constexpr int kLimitMs = 60000;
    const QDeadlineTimer settle(kSettleMs);
    const QDeadlineTimer limit(kLimitMs);
    auto* poll = new QTimer(&frame);
    QObject::connect(poll, &QTimer::timeout, &frame, [&, poll] {
      const bool idle = frame.imageView()->folderShown() && !frame.imageView()->loading();
      if (!settle.hasExpired() || (!idle && !limit.hasExpired())) return;
      poll->stop();
      if (!idle) qWarning("The image worker was still busy when the picture was taken");
      // The last pictures the worker handed over are queued; let them land.
      QTimer::singleShot(300, &frame, [&] {
        if (!frame.grab().save(screenshot)) {
          qWarning("Cannot write %s", qPrintable(screenshot));
          status = 1;
        }
        QApplication::quit();
      });
    });
    poll->start(100);
  }
  const int result = QApplication::exec();
  Prompter::SetCurrent(nullptr);
  return status != 0 ? status : result;
}
