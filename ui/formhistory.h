#pragma once
// "Estatísticas" and "Histórico": the history of every hand, as charts with a table beside each
// (the table is what the keyboard and a screen reader read), and as games, hands and a replay.

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

#include "store/history.h"
#include "store/history_stats.h"
#include "ui/card.h"

class QComboBox;
class QLabel;
class QListWidget;
class QTabWidget;
class QTableWidget;

namespace truco {

// How the history came to be open, told when it matters: a database set aside, or none kept.
void ReportHistoryOpen(const history::OpenOutcome& outcome, const QString& path);
// The first hand that could not be written (SQLite's code and errno); play goes on.
void ReportHistoryWrite(int sqlite_code, int error);

class TFormEstatisticas : public QDialog {
  Q_OBJECT
 public:
  using Clock = std::function<std::int64_t()>;
  TFormEstatisticas(const history::HistoryDb& db, QWidget* parent = nullptr, Clock clock = {});
  // Reads the history afresh (the filters' opponents too) and shows it.
  void Reload();
  [[nodiscard]] QTabWidget* charts() const { return tabs_; }
  [[nodiscard]] const history::Stats& stats() const { return stats_; }
  // Shown instead of "no hand yet" while the history cannot be read.
  [[nodiscard]] QLabel* unreadable() const { return unreadable_; }

 private:
  void ShowStats();
  void ExportCsv();
  QWidget* ChartPage(const QString& title, QWidget* chart, QTableWidget* table);

  const history::HistoryDb& db_;
  Clock clock_;
  history::Stats stats_;
  std::vector<history::OpponentFilter> opponents_;
  QComboBox* opponent_ = nullptr;
  QComboBox* period_ = nullptr;
  QTableWidget* summary_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLabel* empty_ = nullptr;
  QLabel* unreadable_ = nullptr;
};

class TFormHistorico : public QDialog {
  Q_OBJECT
 public:
  TFormHistorico(const history::HistoryDb& db, QWidget* parent = nullptr);
  void Reload();
  // The replay: the chosen hand after `step` moves.
  void ShowStep(std::size_t step);
  [[nodiscard]] std::size_t step() const { return step_; }
  [[nodiscard]] QTableWidget* games() const { return games_; }
  [[nodiscard]] QListWidget* hands() const { return hands_list_; }
  // The card controls of the replay: the player's three, the opponent's three, the vira, then
  // the six places of the table (three tricks, player's and opponent's).
  [[nodiscard]] const std::array<TCard*, 13>& cards() const { return cards_; }
  // Shown instead of an empty list while the history cannot be read.
  [[nodiscard]] QLabel* unreadable() const { return unreadable_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowGame(int row);
  void ShowHand(int row);

  const history::HistoryDb& db_;
  std::vector<history::GameInfo> game_list_;
  std::vector<history::HandRecord> hand_list_;
  QTableWidget* games_ = nullptr;
  QListWidget* hands_list_ = nullptr;
  QWidget* board_ = nullptr;
  std::array<TCard*, 13> cards_{};
  QLabel* move_label_ = nullptr;
  QLabel* unreadable_ = nullptr;
  int hand_ = -1;
  std::size_t step_ = 0;
};

}  // namespace truco
