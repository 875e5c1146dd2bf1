#pragma once
// Helpers for GUI tests: answer the modal box that a click is about to open, so no test ever
// waits for a click that will not come.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace truco::testing {

// Clicks, in the next modal widget that opens, the button whose text (without '&') is `text`.
// If the modal has no such button it is rejected, so the test fails instead of hanging.
// Returns through `seen` the modal's text-bearing children joined, for assertions.
inline void AnswerNextModal(const QString& text, QString* seen = nullptr, int tries = 400) {
  QTimer::singleShot(5, [=]() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (tries > 0) AnswerNextModal(text, seen, tries - 1);
      return;
    }
    if (seen) {
      QStringList parts;
      parts << modal->windowTitle();
      for (auto* w : modal->findChildren<QWidget*>()) {
        const QVariant t = w->property("text");
        if (t.isValid() && !t.toString().isEmpty()) parts << t.toString();
      }
      *seen = parts.join(QStringLiteral(" | "));
    }
    for (auto* b : modal->findChildren<QAbstractButton*>()) {
      if (b->text().remove(QLatin1Char('&')) == QString(text).remove(QLatin1Char('&'))) {
        b->click();
        return;
      }
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
  });
}

// Runs `action` on the next modal widget that opens (for dialogs that need typing first).
inline void OnNextModal(std::function<void(QWidget*)> action, int tries = 400) {
  QTimer::singleShot(5, [=]() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (tries > 0) OnNextModal(action, tries - 1);
      return;
    }
    action(modal);
  });
}

}  // namespace truco::testing
