#include "ui/dialogkeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QVariant>
#include <QWindow>
#include <map>

namespace truco {
namespace {

constexpr char kEscapeProperty[] = "truco_escape_button";

// Sits on the dialog and takes Escape before QDialog turns it into reject().
class EscapeFilter : public QObject {
 public:
  EscapeFilter(QDialog* dialog, QPushButton* escape) : QObject(dialog), escape_(escape) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
    if (escape_ && escape_->isVisible() && escape_->isEnabled()) escape_->click();
    return true;
  }

 private:
  QPointer<QPushButton> escape_;
};

}  // namespace

void SetDialogKeys(QDialog* dialog, QPushButton* enter, QPushButton* escape) {
  // Every button answers Enter while it has the focus; the default one otherwise.
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) button->setAutoDefault(true);
  if (enter) enter->setDefault(true);
  dialog->setProperty(kEscapeProperty, QVariant::fromValue(static_cast<QObject*>(escape)));
  dialog->installEventFilter(new EscapeFilter(dialog, escape));
}

QPushButton* EscapeButton(const QDialog* dialog) {
  return qobject_cast<QPushButton*>(dialog->property(kEscapeProperty).value<QObject*>());
}

void StyleBoldButton(QPushButton* button) {
  button->setFlat(false);
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
  // The palette keeps the colours of the system and of the dialog; the sheet adds the frame and
  // the two marks a plain bold text lacks.
  button->setStyleSheet(QStringLiteral(
      "QPushButton { font-weight: bold; color: palette(button-text);"
      " background-color: palette(button); border: 1px solid palette(dark);"
      " border-radius: 4px; padding: 2px 6px; }"
      "QPushButton:hover { background-color: palette(light); border-color: palette(shadow); }"
      "QPushButton:pressed { background-color: palette(mid); }"
      "QPushButton:focus { border: 2px solid palette(highlight); }"
      "QPushButton:disabled { color: palette(mid); border-color: palette(mid); }"));
  button->setAttribute(Qt::WA_Hover);
}

namespace {

// Gives the keyboard back to the owner once its dialog closes: a hidden transient can otherwise
// stay the active window, and the table's keys would go nowhere.
class ReturnFocusFilter : public QObject {
 public:
  ReturnFocusFilter(QWidget* window, QWidget* owner) : QObject(window), owner_(owner) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && watched == parent() && owner_ && owner_->isVisible()) {
      owner_->activateWindow();
    }
    return false;
  }

 private:
  QPointer<QWidget> owner_;
};

}  // namespace

namespace {

// A key belongs to the window that took its press. When a box closes on a key's press, the
// window under it takes the keyboard while the key is still down, and the key's repeats (a
// release and a press with one timestamp; endless when a synthetic press never gets its release)
// must not act there. A press of its own (a new timestamp) or a release in its window ends that.
class KeyOwnerFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    if (type == QEvent::Hide && widget->isWindow()) {
      for (auto& [code, key] : keys_) {
        if (key.down && key.owner == widget) key.stale = true;
      }
      return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
      return false;
    }
    const auto* event_key = static_cast<QKeyEvent*>(event);
    QWidget* window = widget->window();
    Key& key = keys_[event_key->key()];
    const bool elsewhere = key.owner != window;
    if (type == QEvent::KeyRelease) {
      if (!elsewhere) {
        key = Key{};
        return false;
      }
      if (!key.stale) return false;
      if (event_key->timestamp() == 0) {
        key = Key{};
        return false;
      }
      key.release_time = event_key->timestamp();
      return true;
    }
    // A release and a press with one time are the key's repeat (events without a time never are).
    const bool repeat = event_key->isAutoRepeat() || (key.stale && key.release_time != 0 &&
                                                      event_key->timestamp() == key.release_time);
    if (elsewhere && repeat) {
      event->accept();  // no shortcut either
      return true;
    }
    if (type == QEvent::KeyPress && !event_key->isAutoRepeat()) {
      key = Key{window, true, false, 0};
    }
    return false;
  }

 private:
  struct Key {
    QPointer<QWidget> owner;  // the window that took the press
    bool down = false;
    bool stale = false;  // the owner closed while the key was down
    quint64 release_time = 0;
  };
  std::map<int, Key> keys_;
};

}  // namespace

void KeepKeysInTheirWindow() {
  static constexpr char kInstalled[] = "truco_key_owner_filter";
  if (!qApp || qApp->property(kInstalled).toBool()) return;
  qApp->setProperty(kInstalled, true);
  qApp->installEventFilter(new KeyOwnerFilter(qApp));
}

void AttachToOwner(QWidget* window) {
  if (window->parentWidget()) return;
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner || owner == window) owner = QApplication::activeWindow();
  if (!owner || owner == window) return;
  window->winId();  // the native window, to carry the owner
  if (QWindow* handle = window->windowHandle()) handle->setTransientParent(owner->windowHandle());
  // One filter per window, following its latest owner.
  static constexpr char kFilterProperty[] = "truco_return_focus_filter";
  delete window->property(kFilterProperty).value<QObject*>();
  auto* filter = new ReturnFocusFilter(window, owner);
  window->installEventFilter(filter);
  window->setProperty(kFilterProperty, QVariant::fromValue<QObject*>(filter));
}

}  // namespace truco
