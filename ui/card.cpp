#include "ui/card.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <vector>

// The pictures live in a static library; make sure its resource table is linked and registered.
static void InitCardResources() {
  Q_INIT_RESOURCE(cards);
}

namespace truco {

namespace {

RandomSource* g_random_source = nullptr;

struct DeckInfo {
  const char* picture;
  const char* menu_text;  // UTF-8
};

constexpr std::array<DeckInfo, kNumDecks> kDeckInfo = {{
    {"STD1", "Normal 1"},
    {"STD2", "Normal 2"},
    {"FISHES1", "Peixes 1"},
    {"FISHES2", "Peixes 2"},
    {"BEACH", "Praia"},
    {"LEAVES1", "Flores 1"},
    {"LEAVES2", "Flores 2"},
    {"ROBOT", "Robô"},
    {"ROSES", "Rosas"},
    {"SHELL", "Shell"},
    {"CASTLE", "Castelo"},
    {"HAND", "Mão"},
}};

const DeckInfo* InfoOf(TDecks deck) {
  const int i = static_cast<int>(deck);
  return (i >= 0 && i < kNumDecks) ? &kDeckInfo[static_cast<std::size_t>(i)] : nullptr;
}

// Read as PNG by name: a reader left to guess would load every image plugin Qt has to ask it.
QImage ReadPng(const QString& path) {
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QString ResourcePath(const QString& name, bool double_size) {
  return QStringLiteral(":/cards/") + name +
         (double_size ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

// Makes transparent everything reachable from the four corner pixels without crossing the black
// outline: the grey corners, whatever the picture's scale. This is the corner flood-fill, done
// once per picture; the owner's background then shows through at every paint.
QImage ClearCorners(const QImage& picture) {
  QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width(), h = image.height();
  if (w == 0 || h == 0) return image;
  const QRgb black = qRgb(0, 0, 0);
  std::vector<bool> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
  std::vector<QPoint> stack = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
  while (!stack.empty()) {
    const QPoint p = stack.back();
    stack.pop_back();
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) continue;
    const std::size_t at = static_cast<std::size_t>(p.y()) * static_cast<std::size_t>(w) +
                           static_cast<std::size_t>(p.x());
    if (seen[at]) continue;
    seen[at] = true;
    if ((image.pixel(p) | 0xff000000u) == black) continue;
    image.setPixel(p, qRgba(0, 0, 0, 0));
    stack.push_back({p.x() + 1, p.y()});
    stack.push_back({p.x() - 1, p.y()});
    stack.push_back({p.x(), p.y() + 1});
    stack.push_back({p.x(), p.y() - 1});
  }
  return image;
}

// A card that says what is missing: white, outlined, with a red cross and the picture's name.
QImage Placeholder(const QString& name, int scale) {
  QImage image(TCard::kWidth * scale, TCard::kHeight * scale, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.scale(scale, scale);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(0.5, 0.5, TCard::kWidth - 1, TCard::kHeight - 1), 3, 3);
  p.setPen(QPen(QColor(200, 0, 0), 2));
  p.drawLine(QPointF(8, 8), QPointF(TCard::kWidth - 8, TCard::kHeight - 8));
  p.drawLine(QPointF(TCard::kWidth - 8, 8), QPointF(8, TCard::kHeight - 8));
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRectF(2, 2, TCard::kWidth - 4, 16), Qt::AlignCenter,
             name.isEmpty() ? QStringLiteral("?") : name);
  p.end();
  return image;
}

}  // namespace

QString DeckPictureName(TDecks deck) {
  const DeckInfo* info = InfoOf(deck);
  return info ? QString::fromLatin1(info->picture) : QString();
}

QString DeckMenuText(TDecks deck) {
  const DeckInfo* info = InfoOf(deck);
  return info ? QString::fromUtf8(info->menu_text) : QString();
}

QString FacePictureName(Card card) {
  QChar letter;
  switch (card.suit) {
    case Suit::Spades:
      letter = u'S';
      break;
    case Suit::Diamonds:
      letter = u'D';
      break;
    case Suit::Clubs:
      letter = u'C';
      break;
    case Suit::Hearts:
      letter = u'H';
      break;
    default:
      return QString();
  }
  return letter + QString::number(std::clamp<int>(card.Value, 1, 13));
}

bool TCard::HasPicture(const QString& name) {
  static const bool registered = (InitCardResources(), true);
  (void)registered;
  return !name.isEmpty() && QFile::exists(ResourcePath(name, false));
}

QImage TCard::Picture(const QString& name, qreal device_pixel_ratio) {
  // Images, not pixmaps: they need no display and may outlive the application object.
  static QHash<QString, QImage> cache;
  const bool double_size = device_pixel_ratio > 1.0;
  const QString key = name + (double_size ? QStringLiteral("@2x") : QString());
  if (auto it = cache.constFind(key); it != cache.cend()) return *it;

  QImage image;
  int scale = 1;
  if (HasPicture(name)) {
    if (double_size) {
      image = ReadPng(ResourcePath(name, true));
      scale = 2;
    }
    if (image.isNull()) {
      image = ReadPng(ResourcePath(name, false));
      scale = 1;
    }
  }
  if (image.isNull() || image.size() != QSize(kWidth * scale, kHeight * scale)) {
    scale = double_size ? 2 : 1;
    image = Placeholder(name, scale);
  } else {
    image = ClearCorners(image);
  }
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  cache.insert(key, image);
  return image;
}

void TCard::SetRandomSource(RandomSource* source) {
  g_random_source = source;
}

// To a screen reader a card is a button named by its face: pressed (Space, Enter or its press
// action) it is played, or shows the round's manilhas for the turned card. Only a card that
// takes the keyboard offers the press; a played card says it was played and offers nothing.
class CardAccessible : public QAccessibleWidget {
 public:
  explicit CardAccessible(TCard* card) : QAccessibleWidget(card, QAccessible::Button) {}

  [[nodiscard]] TCard* card() const { return static_cast<TCard*>(widget()); }
  [[nodiscard]] bool pressable() const {
    return card()->focusPolicy() != Qt::NoFocus && card()->isEnabled();
  }

  [[nodiscard]] QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Description) return QAccessibleWidget::text(t);
    QStringList parts;
    switch (card()->place()) {
      case CardPlace::InHand:
        parts << QStringLiteral("Na sua mão");
        break;
      case CardPlace::Played:
        parts << QStringLiteral("Jogada");
        break;
      case CardPlace::Table:
        break;
    }
    if (pressable() && !card()->toolTip().isEmpty()) parts << card()->toolTip();
    return parts.join(QStringLiteral(", "));
  }

  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    // Only what can be played (or opened) is enabled to assistive technology.
    if (!pressable()) s.disabled = true;
    return s;
  }

  [[nodiscard]] QStringList actionNames() const override {
    return pressable() ? QStringList{pressAction()} : QStringList{};
  }

  void doAction(const QString& name) override {
    if (name != pressAction() || !pressable()) return;
    // Later, not inside the caller's request: playing may open a modal box, and the bus's
    // caller waits for the answer of this call.
    QPointer<TCard> c = card();
    QMetaObject::invokeMethod(
        c,
        [c] {
          if (c) emit c->clicked();
        },
        Qt::QueuedConnection);
  }

  [[nodiscard]] QStringList keyBindingsForAction(const QString& name) const override {
    return name == pressAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
  }
};

QAccessibleInterface* CardAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("truco::TCard") && object && object->isWidgetType()) {
    return new CardAccessible(static_cast<TCard*>(object));
  }
  return nullptr;
}

TCard::TCard(QWidget* parent) : QWidget(parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(CardAccessibleFactory);
    return true;
  }();
  (void)factory_installed;
  setFixedSize(kWidth, kHeight);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);  // the owner follows the pointer over a card without a button down
  setAttribute(Qt::WA_OpaquePaintEvent);
  Changed();
  if (g_random_source) g_random_source->Reseed();
}

void TCard::setValue(int value) {
  value_ = static_cast<std::uint8_t>(std::clamp(value, 1, 13));
  Changed();
}

void TCard::setSuit(Suit suit) {
  suit_ = suit;
  Changed();
}

void TCard::setShowDeck(bool show) {
  show_deck_ = show;
  Changed();
}

void TCard::setDeckType(TDecks deck) {
  deck_type_ = deck;
  Changed();
}

Card TCard::card() const {
  return Card{value_, suit_};
}

void TCard::setCard(Card card) {
  value_ = static_cast<std::uint8_t>(std::clamp<int>(card.Value, 1, 13));
  suit_ = card.suit;
  Changed();
}

QString TCard::pictureName() const {
  return show_deck_ ? DeckPictureName(deck_type_) : FacePictureName(card());
}

void TCard::Changed() {
  // A screen reader hears the face only while it is shown (and once per change, not per redraw).
  const QString name = show_deck_ ? QStringLiteral("Carta virada para baixo")
                                  : QString::fromStdString(CardName(card()));
  if (name != accessibleName()) setAccessibleName(name);
  update();
}

void TCard::setPlace(CardPlace place) {
  if (place == place_) return;
  place_ = place;
  QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&changed);
  QAccessible::State state;
  state.disabled = true;
  QAccessibleStateChangeEvent states(this, state);
  QAccessible::updateAccessibility(&states);
}

QColor TCard::OwnerBackground() const {
  // The nearest ancestor that paints its own background is what shows around the card;
  // otherwise it is the window's.
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (w->autoFillBackground() || w->isWindow()) return w->palette().color(w->backgroundRole());
  }
  return palette().color(QPalette::Window);
}

void TCard::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect card_rect(0, 0, kWidth, kHeight);
  p.fillRect(card_rect, OwnerBackground());
  p.drawImage(QPoint(0, 0), Picture(pictureName(), devicePixelRatioF()));
  if (hasFocus()) {
    // The keyboard's place: a frame inside the outline, in the style's highlight colour with a
    // light edge, so it shows on every face and back.
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 4));
    p.drawRoundedRect(QRectF(3, 3, kWidth - 6, kHeight - 6), 3, 3);
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawRoundedRect(QRectF(3, 3, kWidth - 6, kHeight - 6), 3, 3);
  }
}

void TCard::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!event->isAutoRepeat()) emit clicked();
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TCard::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size() != QSize(kWidth, kHeight)) setFixedSize(kWidth, kHeight);
}

void TCard::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) press_armed_ = true;
  emit mousePressed(event);
}

void TCard::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved(event);
}

void TCard::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = press_armed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  press_armed_ = false;
  const QPointer<TCard> self(this);  // the owner may delete the card in its handler
  emit mouseReleased(event);
  if (click && self) emit clicked();
}

void TCard::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click gives a double click, not a second click.
  press_armed_ = false;
  const QPointer<TCard> self(this);
  emit mousePressed(event);
  if (self && event->button() == Qt::LeftButton) emit doubleClicked();
}

}  // namespace truco
