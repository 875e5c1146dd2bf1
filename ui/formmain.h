#pragma once
// The table on which the game is played, and the hub from which every other window opens.
//
// The window holds no game rules: it shows `Game::state()` and forwards every click to the game,
// then brings itself up to date. Windows that live elsewhere (about, rules, manilhas, settings,
// records, phrases) are reached through the *Requested signals, which the program connects.

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

#include "engine/game.h"
#include "engine/screen.h"
#include "ui/card.h"

class QAction;
class QFrame;
class QScrollArea;
class QLabel;
class QPushButton;
class QPropertyAnimation;
class QActionGroup;
class QMenu;

namespace Ui {
class TFormMain;
}

class QLabel;

namespace truco {

// Sets `text` into `label`, with the label's type made smaller, as far as needed and no smaller
// than 7 pixels, so the text fits the label's width. The label's own size is the one it has the
// first time.
void SetFittedText(QLabel* label, const QString& text);

class TFormMain : public QWidget {
  Q_OBJECT
 public:
  // The hidden command of the chat entry.
  static constexpr const char* kViewHandsCommand = "/viewhands_518";
  // How long a card takes to slide onto the table when the table is animated.
  static constexpr int kMoveMs = 150;
  static constexpr TDecks kStartDeck = TDecks::Standard2;
  static constexpr int kClientWidth = 692;
  // The table draws its own caption above the client area.
  static constexpr int kCaptionHeight = 20;
  // Wide enough for the chat column right of the table.
  static constexpr int kChatWidth = 1000;
  // The chat box keeps this many lines, the newest; older ones are dropped.
  static constexpr int kChatLines = 500;
  // Where the networked opponent's name goes until it arrives.
  static constexpr const char* kTextWaitingName = "Aguardando...";

  // `screen` shows the exit dialog's boxes and takes its records.
  TFormMain(Game& game, Screen& screen, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Brings every control up to date from the game state.
  void refresh();
  // The table as the player must see it while a modal box waits: the stake display catches up
  // (its step is display only) and every control is refreshed.
  void ShowTableForModal();

  // Cards slide onto the table (off unless asked for: tests see every card at its place at
  // once). The rules never wait for a slide; only the drawing follows the state.
  void SetAnimated(bool animated);
  [[nodiscard]] bool animated() const { return animated_; }

  // The line at the window's foot: whose turn it is and what the keys do now.
  [[nodiscard]] QString statusText() const;
  // Another line there (a hint) until the status changes; statusText() shows the status again.
  void ShowFootLine(const QString& text);
  // "Dica" by the player's cards (key D), hidden until a hint controller shows it.
  [[nodiscard]] QPushButton* hintButton() const { return hint_button_; }

  // How the program ends after the exit dialog (qApp->quit() unless replaced, e.g. by tests).
  void SetQuitAction(std::function<void()> quit) { quit_ = std::move(quit); }

  // The window's background (settings); GB1 and the cards' corners follow it.
  void SetBackground(const QColor& colour);
  [[nodiscard]] QColor background() const { return background_; }

  // The first-place line of the records table.
  void SetFirstPlace(const QString& name, int balance);
  // The score box's hint: the computer's level in force ("Clássico" or "Forte").
  void SetLevelHint(const QString& level_name);

  // The back shown by the seven cards, as chosen in the pop-up menu.
  [[nodiscard]] TDecks deckType() const { return deck_type_; }
  void SetDeckType(TDecks deck);

  // The chat column of a networked game: the message panel L_MSG (a CR starts a new line), the
  // opponent's name (NOME; above the opponent's cards and in the score box while the game is
  // networked) and one line more in CHAT.
  // Received lines are gathered and shown together on the next pass of the event loop, so a
  // flood of lines costs one update, not one per line. An empty name means "not known yet".
  void SetMessagePanel(const QString& text);
  void SetOpponentName(const QString& name);
  void AppendChat(const QString& line);
  // Shows the gathered chat lines now.
  void FlushChat();
  // Whether the window is wide enough to show the chat column (it is in a networked game).
  [[nodiscard]] bool chatShown() const { return chat_shown_; }

  [[nodiscard]] QMenu* popupMenu() const { return popup_; }
  [[nodiscard]] TCard* card(CardId id) const { return cards_[id]; }

  // Event handlers, named after the control and the event.
  void BInicioClick();
  void BTrucarClick();
  void BCorrerClick();
  void BEsconderClick();
  void CartaJClick(int index);
  void CartaMClick(int index);
  void CViraClick();
  void TrickLabelClick(int trick);
  void TellTable();
  void E_MSGKeyPress();
  void BsairClick();
  void SpeedButton3Click();
  // Alt+F7 or "Mover" in the caption's menu: the arrows move the window until Enter or Escape.
  void StartKeyboardMove();
  void EndKeyboardMove(bool keep);
  [[nodiscard]] bool movingByKeys() const { return moving_by_keys_; }

 signals:
  // Hooks for the windows that other parts of the program own.
  void aboutRequested();
  void rulesRequested();
  void manilhasRequested();
  void settingsRequested();
  void recordsRequested();
  void phrasesRequested();
  // "Estatísticas" and "Histórico" of every hand played.
  void statisticsRequested();
  void historyRequested();
  // Each time the window is shown: time to read the first row of the records.
  void firstPlaceRequested();
  // A chat line typed in E_MSG (not the hidden command), for network play.
  void chatLineEntered(const QString& line);
  // "Iniciar" has done its work (whatever the player chose).
  void startHandled();
  // The controls were brought up to date from the game state.
  void refreshed();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPopupMenu();
  void BuildCaption();
  void SetUpKeyboard();
  void ShowChatColumn(bool show);
  // The window's size: the table's, cut to the screen's free area (the table then scrolls).
  void FitScreen();
  // Gives the keyboard back to the table control that had it before the chat entry.
  void ReturnKeyboardToTable();
  // Puts each card where the game says, sliding it onto the table when animated.
  void PlaceCard(CardId id, const QPoint& target, bool new_deal);
  // Lays the labels of one line side by side, each as wide as its text.
  static void LayOutLine(int left, int top, std::initializer_list<QLabel*> labels, int gap);
  void UpdateStatus();
  // The opponent's name where it is shown (a waiting text while a networked game has none yet).
  void ShowOpponentName();
  // Runs a game event and shows its outcome.
  void Forward(const std::function<void()>& event);

  std::unique_ptr<Ui::TFormMain> ui_;
  Game& game_;
  Screen& screen_;
  std::array<TCard*, kNumTableCards> cards_{};
  QMenu* popup_ = nullptr;
  QActionGroup* deck_group_ = nullptr;
  QWidget* table_ = nullptr;  // the client area, below the caption
  QFrame* caption_ = nullptr;
  QScrollArea* scroller_ = nullptr;
  QMenu* caption_menu_ = nullptr;
  bool moving_by_keys_ = false;
  QPoint move_start_;
  QPushButton* caption_minimise_ = nullptr;
  std::array<QPropertyAnimation*, kNumTableCards> moves_{};
  bool animated_ = false;
  std::uint64_t shown_deals_ = 0;
  QString status_;
  // A box is about to open over the table: the foot line says so instead of whose turn it is.
  bool box_coming_ = false;
  QColor background_;
  TDecks deck_type_ = kStartDeck;
  QString opponent_name_;
  QStringList pending_chat_;
  QTimer* chat_flush_ = nullptr;
  bool chat_shown_ = false;
  QMetaObject::Connection focus_watch_;  // the chat entry's watch of the focus
  QPointer<QWidget> table_keyboard_;     // where the keyboard goes back after a chat line
  std::function<void()> quit_;
  bool leaving_ = false;  // "Sair" was confirmed: the window lets itself be closed
  QPushButton* hint_button_ = nullptr;
  // "Dica" sits at the right end of the line of the player's name, above the cards.
  static constexpr int kDicaLeft = 222, kDicaTop = 337, kDicaWidth = 48, kDicaHeight = 22;
};

}  // namespace truco
