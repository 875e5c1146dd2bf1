#pragma once
// Helpers for GUI tests: answer the modal box that a click is about to open, so no test ever
// waits for a click that will not come.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
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
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
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

// Answers modal windows in the order they open, one scripted step per window, also when one
// box's answer opens the next. Every modal that opens is logged; one that opens when no step is
// left is closed and counted as unexpected, so a test fails instead of hanging.
class ModalScript : public QObject {
 public:
  struct Seen {
    QString title;
    QString text;  // a message box's text, else the window's visible labels joined by " | "
  };
  using Check = std::function<void(QWidget*)>;

  ModalScript() { qApp->installEventFilter(this); }
  ~ModalScript() override { qApp->removeEventFilter(this); }
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  // Clicks the button with this text (without '&'); `check` runs first, with the window.
  ModalScript& Answer(const QString& button, Check check = {}) {
    steps_.push_back({button, std::move(check)});
    return *this;
  }
  // Shorthands for the shared boxes.
  ModalScript& Ok() { return Answer(QStringLiteral("OK")); }
  ModalScript& Yes() { return Answer(QStringLiteral("Yes")); }
  ModalScript& No() { return Answer(QStringLiteral("No")); }

  [[nodiscard]] const QList<Seen>& seen() const { return seen_; }
  [[nodiscard]] QStringList texts() const {
    QStringList out;
    for (const Seen& s : seen_) out << s.text;
    return out;
  }
  [[nodiscard]] int unexpected() const { return unexpected_; }
  [[nodiscard]] std::size_t pending() const { return steps_.size(); }
  void Clear() {
    seen_.clear();
    steps_.clear();
    unexpected_ = 0;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget && widget->isWindow() && widget->isModal()) {
        QPointer<QWidget> guard(widget);
        QTimer::singleShot(0, this, [this, guard] { Handle(guard); });
      }
    }
    return false;
  }

 private:
  struct Step {
    QString button;
    Check check;
  };

  static QString TextOf(QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) return box->text();
    QStringList parts;
    for (auto* label : modal->findChildren<QLabel*>()) {
      if (label->isVisibleTo(modal) && !label->text().isEmpty()) parts << label->text();
    }
    return parts.join(QStringLiteral(" | "));
  }

  static QAbstractButton* Find(QWidget* modal, QString text) {
    text.remove(QLatin1Char('&'));
    for (auto* b : modal->findChildren<QAbstractButton*>()) {
      if (b->isVisibleTo(modal) && b->text().remove(QLatin1Char('&')) == text) return b;
    }
    return nullptr;
  }

  static void Dismiss(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->done(QDialog::Rejected);
    else
      modal->close();
  }

  void Handle(const QPointer<QWidget>& modal) {
    if (!modal || !modal->isVisible()) return;
    seen_.push_back({modal->windowTitle(), TextOf(modal)});
    if (steps_.empty()) {
      ++unexpected_;
      Dismiss(modal);
      return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.check) step.check(modal);
    if (!modal || !modal->isVisible()) return;
    if (QAbstractButton* button = Find(modal, step.button)) {
      button->click();
      // Still open (its answer was refused, e.g. an empty name): the next step is for it.
      if (modal && modal->isVisible()) {
        QTimer::singleShot(0, this, [this, modal] { Handle(modal); });
      }
    } else {
      ++unexpected_;
      Dismiss(modal);
    }
  }

  std::deque<Step> steps_;
  QList<Seen> seen_;
  int unexpected_ = 0;
};

}  // namespace truco::testing
