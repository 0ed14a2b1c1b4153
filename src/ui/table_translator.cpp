#include "ui/table_translator.h"

#include <QCoreApplication>
#include <utility>

#include "ui/qt_text.h"

namespace albumsmith::ui {

QString TableTranslator::translate(const char* context, const char* sourceText, const char*, int) const {
  if (!context || !sourceText || qstrcmp(context, "QPlatformTheme") != 0) return {};
  QString source = QString::fromLatin1(sourceText);
  const bool mnemonic = source.contains(u'&');
  source.remove(u'&');
  static constexpr std::pair<const char*, TextId> kButtons[] = {
      {"OK", TextId::kOkButton},   {"Cancel", TextId::kCancelButton}, {"Close", TextId::kCloseButton},
      {"Yes", TextId::kYesButton}, {"No", TextId::kNoButton},
  };
  for (const auto& [english, id] : kButtons) {
    if (source != QLatin1String(english)) continue;
    // Qt asks with or without a key marker; answer in the same form.
    QString text = QLoad(id);
    if (!mnemonic) {
      text.remove(u'&');
    } else if (!text.contains(u'&')) {
      text.prepend(u'&');
    }
    return text;
  }
  return {};
}

void InstallTableTranslator() {
  static TableTranslator* installed = nullptr;
  if (installed || !QCoreApplication::instance()) return;
  installed = new TableTranslator(QCoreApplication::instance());
  QCoreApplication::installTranslator(installed);
}

}  // namespace albumsmith::ui
