#include "dialogs/comm_progress_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "app/texts.h"
#include "dialogs/caution_label.h"
#include "dialogs/dialog_units.h"

namespace q7310 {
namespace {

// The dialog's template, in dialog units. The progress bar is this program's addition: it sits
// in the gap between the Cancel button and the caution texts, clear of both.
constexpr QSize kClientSize(207, 105);
constexpr DialogPlace kCancel{79, 41, 50, 15};
constexpr DialogPlace kMessage{15, 15, 178, 17};
constexpr DialogPlace kProgress{15, 59, 178, 6};
constexpr DialogPlace kCautionText{51, 68, 144, 23};
constexpr DialogPlace kCautionTitle{14, 68, 33, 14};
constexpr int kPercentMin = 0;
constexpr int kPercentMax = 100;

}  // namespace

CCommProgressDlg::CCommProgressDlg(QWidget* owner) : QDialog(owner) {
  setWindowTitle(Q(texts::kTitleBackup));
  // CustomizeWindowHint: only the hints named here, so no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);
  BuildControls();
}

void CCommProgressDlg::BuildControls() {
  const DialogUnits du(font());
  setFixedSize(du.Size(kClientSize.width(), kClientSize.height()));

  m_btnCancel = Placed(new QPushButton(Q(texts::kProgressCancel), this), du, kCancel);
  m_message = Placed(new QLabel(Q(texts::kProgressTemplateMessage), this), du, kMessage);
  m_message->setAlignment(Qt::AlignCenter);
  m_progress = Placed(new QProgressBar(this), du, kProgress);
  m_progress->setRange(kPercentMin, kPercentMax);
  m_progress->setTextVisible(false);
  m_progress->hide();

  m_cautionText = Placed(new CCautionLabel(this), du, kCautionText);
  m_cautionText->setWordWrap(true);
  m_cautionText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_cautionTitle = Placed(new CCautionLabel(this), du, kCautionTitle);
  m_cautionTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_cautionTitle->setText(Q(texts::kCautionTitle));
  m_cautionText->setText(Q(texts::kProgressCaution));
  m_cautionTitle->SetLabelTextColor(kColorRed);
  m_cautionText->SetLabelTextColor(kColorRed);

  connect(m_btnCancel, &QPushButton::clicked, this, &CCommProgressDlg::CancelRequested);
}

void CCommProgressDlg::SetTitle(std::string_view title) {
  setWindowTitle(Q(title));
}

void CCommProgressDlg::SetMessage(std::string_view text) {
  m_message->setText(Q(text));
}

void CCommProgressDlg::SetPercent(int percent) {
  if (percent < kPercentMin || percent > kPercentMax) {
    m_progress->hide();
    return;
  }
  m_progress->setValue(percent);
  m_progress->show();
}

void CCommProgressDlg::reject() {
  emit CancelRequested();
}

void CCommProgressDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
}

void CCommProgressDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the screen the first time it appears; later it stays where the operator put it.
  if (!m_placed) {
    m_placed = true;
    if (const QScreen* s = screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(s->availableGeometry().center());
      move(frame.topLeft());
    }
  }
}

}  // namespace q7310
