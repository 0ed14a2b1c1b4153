#pragma once
// "Folder properties": whether a folder's page shows its thumbnails or HTML
// of the user's own, that HTML, and a custom page title; "Template variables"
// opens the folder's variables. What the dialog opens with and what OK
// writes (Folder.ini, Folder.html) are the core's folder properties.

#include <QDialog>
#include <string>

#include "site/folder_properties.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace albumsmith::ui {

class HtmlEditor;

class FolderPropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  // `profileDir` ends with "/"; `folder` is "" for the root or ends with "/".
  FolderPropertiesDialog(std::string profileDir, std::string folder, QWidget* parent = nullptr);

  const std::string& folder() const { return folder_; }
  // The page "Preview" last handed to the browser; empty before.
  const QString& previewFile() const { return previewFile_; }

  void accept() override;

 private:
  // The settings as the controls show them now.
  FolderSettings shownSettings() const;
  void updateEnabling();
  void readFile();
  void preview();
  void editVariables();

  std::string profileDir_;
  std::string folder_;
  FolderSettings settings_;

  QRadioButton* storyBoard_;
  QRadioButton* htmlData_;
  HtmlEditor* editor_;
  QPushButton* readFile_;
  QPushButton* preview_;
  QCheckBox* customTitle_;
  QLineEdit* titleText_;
  QPushButton* variables_;
  QString lastReadDir_;
  QString previewFile_;
};

}  // namespace albumsmith::ui
