#include "ui/dialogkeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QVariant>
#include <QWindow>

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
