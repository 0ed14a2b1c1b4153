#include "ui/copy_files_dialog.h"

#include "ui/qt_text.h"

namespace albumsmith::ui {

CopyFilesDialog::CopyFilesDialog(std::string source, std::string destination, QWidget* parent)
    : ProgressWindow(QLoad(TextId::kCopyFilesTitle), false, parent),
      source_(std::move(source)),
      destination_(std::move(destination)) {}

CopyFilesDialog::~CopyFilesDialog() { StopAndJoin(); }

bool CopyFilesDialog::Run(QWidget* parent, const std::string& source, const std::string& destination,
                          const QString& title) {
  CopyFilesDialog dialog(source, destination, parent);
  if (!title.isEmpty()) dialog.setWindowTitle(title);
  return dialog.exec() == QDialog::Accepted;
}

// The window learns the outcome from the end code the copy reports; the
// messages of a failure have been shown by then.
void CopyFilesDialog::Work(CopyProgress& progress) {
  static_cast<void>(CopyTreeWithProgress(source_, destination_, progress, &cancel_));
}

}  // namespace albumsmith::ui
