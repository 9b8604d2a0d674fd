#include "modal_answer.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace q7310::testing {

ModalAnswerer::ModalAnswerer(Handler handler) : m_handler(std::move(handler)) {
  connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::Poll);
  m_timer.start(0);
}

void ModalAnswerer::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == m_last || !modal->isVisible()) return;
  m_last = modal;
  ++m_answered;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    m_messages.push_back({box->windowTitle(), box->text(), box->icon() == QMessageBox::Warning,
                          box->icon() == QMessageBox::Information,
                          static_cast<int>(box->buttons().size()), box->informativeText()});
  }
  if (m_handler) {
    m_handler(modal);
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->accept();
  }
}

}  // namespace q7310::testing
