#pragma once
// The "Tag image" dialog: the font of the stamp (face, style, size,
// strike-out, underline, script) with its sample, the text colour from the
// 16-colour table, the text, the background colour, the position, "External",
// "Tag image" and the background mode. The command that shows it writes the
// chosen stamp for every selected image through the core.

#include <QDialog>

#include "imaging/stamp_file.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace albumsmith::ui {

class ImageListView;

class TagDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TagDialog(const StampSettings& stamp, QWidget* parent = nullptr);

  // The dialog's values over the stamp it was opened with (font fields it
  // does not show are kept).
  StampSettings stamp() const;

 private:
  void updateSample();
  void setBackgroundColour(int index);

  StampSettings initial_;
  bool built_ = false;  // every field exists
  QFontComboBox* face_ = nullptr;
  QComboBox* style_ = nullptr;
  QComboBox* size_ = nullptr;
  QCheckBox* strikeOut_ = nullptr;
  QCheckBox* underline_ = nullptr;
  QComboBox* script_ = nullptr;
  QLabel* sample_ = nullptr;
  QComboBox* textColour_ = nullptr;
  QLineEdit* text_ = nullptr;
  QToolButton* background_ = nullptr;
  int backgroundColour_ = 0;
  QButtonGroup* position_ = nullptr;
  QCheckBox* external_ = nullptr;
  QCheckBox* tag_ = nullptr;
  QButtonGroup* mode_ = nullptr;
};

// The "Tag image(s)" command: the dialog opened on the first selected
// image's stamp; on OK the stamp is written for every selected image, their
// medium images deleted, and the folder loaded again. Returns whether the
// stamp was written.
bool TagSelectedImages(ImageListView& view, QWidget* parent);

}  // namespace albumsmith::ui
