#include "ui/dialogkeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVariant>
#include <QWindow>
#include <map>

namespace truco {
namespace {

constexpr char kEscapeProperty[] = "truco_escape_button";
// A window that keeps itself on the screen (the table) is left alone.
constexpr char kFitsItself[] = "truco_fits_itself";
// A window's foot line (a status bar) stays in sight below the part that scrolls.
constexpr char kFootLine[] = "truco_foot_line";

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

namespace {

// The windows are laid out in pixels: at a large scale factor one can be larger than the
// screen. Such a window scrolls inside a size the screen holds, and every window opens with its
// frame inside the screen's free area.
class ScreenFitFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* window = qobject_cast<QWidget*>(watched);
    if (!window || !window->isWindow() || window->property(kFitsItself).toBool()) return false;
    const Qt::WindowType type = window->windowType();
    if (type != Qt::Window && type != Qt::Dialog && type != Qt::SplashScreen) return false;
    Fit(window);
    return false;
  }

 private:
  static void Fit(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = ScreenArea(window);
    // The frame the window manager adds, as far as it is known yet.
    QMargins frame(kFrameGuess, kCaptionGuess, kFrameGuess, kFrameGuess);
    if (window->frameGeometry() != window->geometry()) {
      const QRect outer = window->frameGeometry();
      const QRect inner = window->geometry();
      frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                       outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    const QSize room =
        area.size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (window->width() > room.width() || window->height() > room.height()) {
      const QSize fitted = window->size().boundedTo(room);
      Scroll(window);
      window->setMinimumSize(0, 0);
      window->setFixedSize(fitted);
      QRect scrolling(QPoint(), fitted);
      if (QWidget* foot = Foot(window)) {
        const int height = foot->height();
        foot->setGeometry(0, fitted.height() - height, fitted.width(), height);
        foot->raise();
        scrolling.setBottom(fitted.height() - height - 1);
      }
      if (auto* scroller =
              window->findChild<QScrollArea*>(kScrollerName, Qt::FindDirectChildrenOnly)) {
        scroller->setGeometry(scrolling);
      }
    }
    QRect outer(window->pos(),
                window->size() + QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    if (outer.right() > area.right()) outer.moveRight(area.right());
    if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
    if (outer.left() < area.left()) outer.moveLeft(area.left());
    if (outer.top() < area.top()) outer.moveTop(area.top());
    QWindow* handle = window->windowHandle();
    if (handle && window->frameGeometry() == window->geometry()) {
      // A window nobody placed is left to the toolkit (a dialog centres itself over its owner,
      // within the screen) and to the window manager. One placed by the program before its
      // frame is known: a client position would put the title bar above the point, so the
      // frame goes there; the client is moved below the guessed frame too, for a platform that
      // never reports one.
      if (window->testAttribute(Qt::WA_Moved)) {
        window->move(outer.topLeft() + QPoint(frame.left(), frame.top()));
        handle->setFramePosition(outer.topLeft());
      }
    } else if (outer.topLeft() != window->pos()) {
      window->move(outer.topLeft());
    }
  }

  static QWidget* Foot(QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (child->property(kFootLine).toBool()) return child;
    }
    return nullptr;
  }

  // Puts the window's controls, at their places, into a page that scrolls (once per window);
  // the foot line stays with the window.
  static QScrollArea* Scroll(QWidget* window) {
    if (auto* done = window->findChild<QScrollArea*>(kScrollerName, Qt::FindDirectChildrenOnly))
      return done;
    auto* page = new QWidget;
    const QWidget* foot = Foot(window);
    // The page keeps the window's size (less the foot line), and its layout, if it has one, lays
    // it out as before.
    const QSize size = window->size() - QSize(0, foot ? foot->height() : 0);
    page->setMinimumSize(size);
    page->resize(size);
    if (QLayout* layout = window->layout()) page->setLayout(layout);
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (child->isWindow() || child == foot) continue;
      const QRect place = child->geometry();
      const bool shown = !child->isHidden();
      child->setParent(page);
      child->setGeometry(place);
      child->setVisible(shown);
    }
    auto* scroller = new QScrollArea(window);
    scroller->setObjectName(kScrollerName);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);  // the keyboard stays with the window's controls
    scroller->setBackgroundRole(QPalette::Window);
    scroller->viewport()->setBackgroundRole(QPalette::Window);
    scroller->setWidget(page);
    scroller->show();
    return scroller;
  }

  static constexpr int kFrameGuess = 4;
  static constexpr int kCaptionGuess = 28;
  static constexpr const char* kScrollerName = "truco_screen_fit";
};

}  // namespace

QRect ScreenArea(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return {};
  const QRect area = screen->availableGeometry();
  // Whether the area in points times the scale oversteps the pixels cannot be told from the
  // points alone; a point less is always safe.
  return window->devicePixelRatio() > 1.0 ? area.adjusted(0, 0, -1, -1) : area;
}

void KeepWindowsOnScreen() {
  static constexpr char kInstalled[] = "truco_screen_fit_filter";
  if (!qApp || qApp->property(kInstalled).toBool()) return;
  qApp->setProperty(kInstalled, true);
  qApp->installEventFilter(new ScreenFitFilter(qApp));
}

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
