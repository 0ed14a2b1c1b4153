#include "ui/new_release_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "ui/qt_text.h"
#include "update/version_check.h"

namespace albumsmith::ui {

NewReleaseDialog::NewReleaseDialog(const Release& running, const Release& announced, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("NewReleaseDialog"));
  setWindowTitle(ToQString(kMessageTitle));
  auto* text =
      new QLabel(ToQString(FormatString(TextId::kNewReleaseText, {running.major, running.minor, running.patch,
                                                                  announced.major, announced.minor, announced.patch})));
  text->setObjectName(QStringLiteral("releases"));
  text->setTextFormat(Qt::PlainText);
  const QString address = ToQString(DownloadPageUrl());
  auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()));
  link->setObjectName(QStringLiteral("downloadLink"));
  link->setTextFormat(Qt::RichText);
  link->setOpenExternalLinks(true);
  link->setToolTip(address);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(link);
  layout->addWidget(buttons);
}

}  // namespace albumsmith::ui
