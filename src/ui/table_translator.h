#pragma once
// Qt draws some texts of its own in our windows: the standard OK, Cancel,
// Close, Yes and No buttons of dialogs and message boxes. This translator
// answers Qt's look-ups from the string table, so that a language module
// replaces those texts as it replaces ours, and a switch of language reaches
// every window opened afterwards.

#include <QTranslator>

namespace albumsmith::ui {

class TableTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
};

// Installs one translator for the application's lifetime (a QApplication
// must exist); further calls do nothing.
void InstallTableTranslator();

}  // namespace albumsmith::ui
