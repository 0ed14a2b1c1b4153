#include "ui/check_profile_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "publish/transport_factory.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

constexpr int kStepMs = 100;
constexpr CheckLine kLines[] = {CheckLine::kConnection, CheckLine::kBaseDirectory, CheckLine::kCreateDelete};

}  // namespace

CheckProfileDialog::CheckProfileDialog(const ProfileSettings& profile, QWidget* parent,
                                       std::unique_ptr<RemoteTransport> transport)
    : QDialog(parent), transport_(transport ? std::move(transport) : MakeTransport(profile)) {
  setObjectName(QStringLiteral("CheckProfile"));
  setWindowTitle(QLoad(TextId::kCheckProfileTitle));

  auto* grid = new QGridLayout;
  grid->setColumnMinimumWidth(0, 24);
  grid->setColumnStretch(1, 1);
  for (CheckLine line : kLines) {
    Line& l = lines_[static_cast<size_t>(line)];
    const int row = static_cast<int>(line);
    l.mark = new QLabel;
    l.mark->setObjectName(QStringLiteral("Mark%1").arg(row));
    l.mark->setAlignment(Qt::AlignCenter);
    l.text = new QLabel(ToQString(std::string(CheckLineText(line))));
    l.text->setObjectName(QStringLiteral("Line%1").arg(row));
    grid->addWidget(l.mark, row, 0);
    grid->addWidget(l.text, row, 1);
    // The rows keep their place while hidden, so the window does not jump.
    for (QLabel* label : {l.mark, l.text}) {
      QSizePolicy policy = label->sizePolicy();
      policy.setRetainSizeWhenHidden(true);
      label->setSizePolicy(policy);
      label->hide();
    }
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  setMinimumWidth(360);

  check_ = std::make_unique<ProfileCheck>(*transport_, profile, [this](CheckLine line, CheckEvent event) {
    current_ = line;
    setState(line, event == CheckEvent::kShown ? LineState::kShown : LineState::kChecked);
  });

  // One step per tick: the window is drawn again between two steps, and the
  // Close button is served, although each step holds the window while the
  // server answers.
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setInterval(kStepMs);
  connect(timer_, &QTimer::timeout, this, &CheckProfileDialog::tick);
}

CheckProfileDialog::~CheckProfileDialog() = default;

void CheckProfileDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!check_->finished() && !timer_->isActive()) timer_->start();
}

void CheckProfileDialog::tick() {
  if (!isVisible()) return;  // closed meanwhile
  if (check_->Step()) {
    timer_->start();
  } else if (!check_->succeeded()) {
    setState(current_, LineState::kFailed);
  }
}

void CheckProfileDialog::setState(CheckLine line, LineState state) {
  Line& l = lines_[static_cast<size_t>(line)];
  l.state = state;
  l.text->setVisible(state != LineState::kHidden);
  l.mark->setVisible(state == LineState::kChecked || state == LineState::kFailed);
  if (state == LineState::kChecked) {
    l.mark->setText(QStringLiteral("<b style=\"color:#1a8f1a\">&#x2714;</b>"));
  } else if (state == LineState::kFailed) {
    l.mark->setText(QStringLiteral("<b style=\"color:#c81e1e\">&#x2718;</b>"));
  }
}

}  // namespace albumsmith::ui
