// ModalAnswerer: answers the modal dialogs that a test action opens.
//
// While it lives, a zero-interval timer looks at QApplication::activeModalWidget() each time the
// event loop turns (also inside a modal dialog's own loop) and hands every new modal widget to
// the test's handler, which inspects it and closes it. Without a handler the widget is accepted.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace q7310::testing {

// What a test saw of one modal message box.
struct SeenMessage {
  QString caption;
  QString text;
  bool warningIcon = false;
  bool informationIcon = false;
  int buttonCount = 0;
  QString detail;  // the informative text under the message
};

class ModalAnswerer : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<void(QWidget*)>;
  explicit ModalAnswerer(Handler handler = {});

  // Every message box answered so far, in order.
  const std::vector<SeenMessage>& Messages() const { return m_messages; }
  int Answered() const { return m_answered; }

 private:
  void Poll();

  Handler m_handler;
  QTimer m_timer;
  QPointer<QWidget> m_last;
  std::vector<SeenMessage> m_messages;
  int m_answered = 0;
};

}  // namespace q7310::testing
