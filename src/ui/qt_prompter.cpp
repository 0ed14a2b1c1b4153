#include "ui/qt_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <utility>
#include <vector>

#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

QMessageBox::Icon BoxIcon(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::Question:
      return QMessageBox::Question;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Stop:
      return QMessageBox::Critical;
    case Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QWidget* DefaultParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace

QtPrompter::QtPrompter() : guiAnchor_(std::make_unique<QObject>()) {}
QtPrompter::~QtPrompter() = default;

Reply QtPrompter::Show(const Message& message, QWidget* parent) {
  QString text = ToQString(message.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

  QMessageBox box(BoxIcon(message.icon), ToQString(kMessageTitle), text, QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);

  std::vector<std::pair<QAbstractButton*, Answer>> answers;
  auto add = [&](QMessageBox::StandardButton button, Answer answer) {
    answers.emplace_back(box.addButton(button), answer);
  };
  switch (message.buttons) {
    case Buttons::Ok:
      add(QMessageBox::Ok, Answer::Ok);
      break;
    case Buttons::OkCancel:
      add(QMessageBox::Ok, Answer::Ok);
      add(QMessageBox::Cancel, Answer::Cancel);
      break;
    case Buttons::YesNo:
      add(QMessageBox::Yes, Answer::Yes);
      add(QMessageBox::No, Answer::No);
      break;
    case Buttons::YesNoCancel:
      add(QMessageBox::Yes, Answer::Yes);
      add(QMessageBox::No, Answer::No);
      add(QMessageBox::Cancel, Answer::Cancel);
      break;
  }
  if (message.yesToAll) {
    answers.emplace_back(box.addButton(QLoad(TextId::kYesToAllButton), QMessageBox::YesRole), Answer::YesToAll);
  }
  if (message.skipAll) {
    answers.emplace_back(box.addButton(QLoad(TextId::kSkipAllButton), QMessageBox::NoRole), Answer::SkipAll);
  }
  box.setDefaultButton(qobject_cast<QPushButton*>(answers.front().first));

  // Escape and the window's close button mean "refuse"; with a lone OK
  // button there is nothing to refuse, so they mean OK.
  const Answer refusal = message.buttons == Buttons::Ok ? Answer::Ok : NegativeAnswer(message.buttons);
  for (const auto& [button, answer] : answers) {
    if (answer == refusal) box.setEscapeButton(button);
  }

  QCheckBox* dontAsk = nullptr;
  if (message.offerDontAsk) {
    dontAsk = new QCheckBox(QLoad(TextId::kDontAskAgain));
    box.setCheckBox(dontAsk);
  }

  box.exec();

  Reply reply;
  reply.answer = refusal;
  for (const auto& [button, answer] : answers) {
    if (box.clickedButton() == button) reply.answer = answer;
  }
  reply.dontAskAgain = dontAsk && dontAsk->isChecked();
  return reply;
}

Reply QtPrompter::Ask(const Message& message) {
  if (QThread::currentThread() == guiAnchor_->thread()) return Show(message, DefaultParent());
  Reply reply;
  QMetaObject::invokeMethod(
      guiAnchor_.get(), [&] { reply = Show(message, DefaultParent()); }, Qt::BlockingQueuedConnection);
  return reply;
}

}  // namespace albumsmith::ui
