#pragma once
// "Profile default properties": the slide show, background, style and
// thumbnail settings of the open profile, and the footer section of its
// pages. OK writes the footer and the profile; the caller then opens it
// again so that everything shown follows the new values.

#include <QDialog>
#include <QPushButton>
#include <memory>
#include <string>

#include "site/backgrounds.h"
#include "store/profile_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace albumsmith::ui {

class ColorButton;
class HtmlEditor;

class GlobalPropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  GlobalPropertiesDialog(std::string profilesDir, ProfileSettings profile, QWidget* parent = nullptr);
  ~GlobalPropertiesDialog() override;

  // The profile as written by OK.
  const ProfileSettings& profile() const { return profile_; }

  void accept() override;
  // Without OK the backgrounds imported here go again.
  void reject() override;

  // "Import" with the files chosen (the file dialog's part done).
  void importBackgrounds(const QStringList& files);

 private:
  struct OnOff {
    QRadioButton* off;
    QRadioButton* on;
  };
  struct FontFields {
    QSpinBox* size;
    ColorButton* color;
    QComboBox* face;
  };
  QWidget* makeSlideShowTab();
  QWidget* makeBackgroundTab();
  QWidget* makeStyleTab();
  QWidget* makeThumbnailsTab();
  QWidget* makeOnOff(const QString& title, const char* objectName, int value, OnOff& pair);
  void readFields(ProfileSettings& s) const;
  std::string profileDir() const;
  void showBackgrounds();
  void showBackgroundPreview();
  void chooseImportFiles();

  std::string profilesDir_;
  ProfileSettings profile_;

  OnOff board_{}, repeat_{}, fader_{};
  QListWidget* delays_;
  QListWidget* transitions_;
  std::unique_ptr<BackgroundPage> backgrounds_;
  QComboBox* background_;
  QLabel* backgroundPreview_;
  QPushButton* removeBackground_;
  QCheckBox* border_;
  QSpinBox* borderWidth_;
  ColorButton* borderColor_;
  QCheckBox* shadow_;
  QSpinBox* shadowWidth_;
  ColorButton* shadowColor_;
  FontFields dates_{};
  FontFields comments_{};
  HtmlEditor* footer_;
  QSpinBox* maxThumbSize_;
  QSpinBox* thumbsPerLine_;
};

// A push button showing a colour swatch; a click opens the colour chooser.
class ColorButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ColorButton(int profileColor, QWidget* parent = nullptr);
  int profileColor() const { return value_; }
  void setProfileColor(int value);

 private:
  void choose();
  int value_;
};

}  // namespace albumsmith::ui
