#pragma once
// Test helpers around modal boxes, beside tests/ui/modal.h.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace truco::testing {

// Runs `action`, closing and counting every modal window it opens; a test that expects no box
// sees 0 instead of hanging on one.
inline int CountModalsDuring(const std::function<void()>& action) {
  int count = 0;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&count] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    ++count;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
  });
  poll.start();
  action();
  poll.stop();
  return count;
}

// What a message box looked like when it opened.
struct SeenBox {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::WindowModality modality = Qt::NonModal;
  QStringList buttons;
  bool opened = false;
};

}  // namespace truco::testing
