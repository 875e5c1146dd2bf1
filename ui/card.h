#pragma once
// The card control: one playing card, face up or showing a back, always 71 x 96. The game keeps
// dealt cards in these controls and reads their value and suit back.

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "engine/cards.h"
#include "engine/random.h"

class QKeyEvent;
class QMouseEvent;

namespace truco {

// The twelve card backs, in the order of the main window's back menu.
enum class TDecks : int {
  Standard1 = 0,
  Standard2,
  Fishes1,
  Fishes2,
  Beach,
  Leaves1,
  Leaves2,
  Robot,
  Roses,
  Shell,
  Castle,
  Hand
};
inline constexpr int kNumDecks = 12;

// Picture name of a back, e.g. "STD1", "CASTLE".
QString DeckPictureName(TDecks deck);
// Where a card lies, as a screen reader tells it: the player's hand (it can be played), played
// by the player, or elsewhere on the table (the computer's cards, the turned card).
enum class CardPlace : int { Table = 0, InHand, Played };

// Text of the back's menu entry, e.g. "Normal 1", "Castelo".
QString DeckMenuText(TDecks deck);
// Picture name of a face: suit letter (S, D, C, H) and value, e.g. "H1", "S13".
QString FacePictureName(Card card);

class TCard : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Value READ value WRITE setValue)
  Q_PROPERTY(truco::Suit Suit READ suit WRITE setSuit)
  Q_PROPERTY(bool ShowDeck READ showDeck WRITE setShowDeck)
  Q_PROPERTY(truco::TDecks DeckType READ deckType WRITE setDeckType)
  Q_PROPERTY(int Rank READ rank WRITE setRank)

 public:
  static constexpr int kWidth = 71;
  static constexpr int kHeight = 96;

  explicit TCard(QWidget* parent = nullptr);

  // Every card created reseeds this source (if set); the deal draws from it.
  static void SetRandomSource(RandomSource* source);

  [[nodiscard]] int value() const { return value_; }
  void setValue(int value);  // clamped into 1..13
  [[nodiscard]] Suit suit() const { return suit_; }
  void setSuit(Suit suit);
  [[nodiscard]] bool showDeck() const { return show_deck_; }
  void setShowDeck(bool show);
  [[nodiscard]] TDecks deckType() const { return deck_type_; }
  void setDeckType(TDecks deck);
  [[nodiscard]] int rank() const { return rank_; }
  void setRank(int rank) { rank_ = rank; }  // kept for the owner, never drawn
  [[nodiscard]] CardPlace place() const { return place_; }
  void setPlace(CardPlace place);

  [[nodiscard]] Card card() const;
  void setCard(Card card);

  // Name of the picture shown now: the back's when ShowDeck, else the face's.
  [[nodiscard]] QString pictureName() const;

  // A picture by name at the given device pixel ratio, decoded once and cached. Unknown names
  // give a visible placeholder (white card with a red cross), never a null image. The corner
  // areas outside the outline are transparent, for the owner's background to fill.
  static QImage Picture(const QString& name, qreal device_pixel_ratio = 1.0);
  // True if a picture of that name is among the program's resources.
  static bool HasPicture(const QString& name);

  [[nodiscard]] QSize sizeHint() const override { return {kWidth, kHeight}; }

 signals:
  void clicked();
  void doubleClicked();
  void mousePressed(QMouseEvent* event);
  void mouseMoved(QMouseEvent* event);
  void mouseReleased(QMouseEvent* event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A card that its owner lets take the keyboard focus is played with Space or Enter.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Changed();
  [[nodiscard]] QColor OwnerBackground() const;

  std::uint8_t value_ = kAce;
  Suit suit_ = Suit::Hearts;
  bool show_deck_ = false;
  TDecks deck_type_ = TDecks::Standard1;
  int rank_ = 0;
  CardPlace place_ = CardPlace::Table;
  bool press_armed_ = false;  // a left press inside, waiting for its release to make a click
};

}  // namespace truco
