#pragma once
// The whole program: the game, its windows in their start-up order, and the wiring between them.
// Each window is created once and lives for the whole run; it is only shown and hidden. Those that
// nothing needs before they open are created when first opened.

#include <QColor>
#include <memory>
#include <optional>

#include "engine/game.h"
#include "engine/random.h"
#include "opponent/computer.h"
#include "opponent/forte.h"
#include "opponent/mestre.h"
#include "store/colours.h"
#include "store/history.h"
#include "store/history_pairs.h"
#include "store/history_recorder.h"
#include "store/level_file.h"
#include "store/phrases_file.h"
#include "store/records_file.h"
#include "store/settings_file.h"
#include "ui/windowscreen.h"

namespace truco {

class TFormMain;
class TFormRecordes;
class TFormSobre;
class TFormRegras;
class TFormManilhas;
class TFormConfig;
class TFormBaralho;
class TFormCor;
class TFormTruco;
class TFormFrases;
class TF_ESCOLHA;
class TFormEstatisticas;
class TFormHistorico;
class TFormDuplas;
class HintController;
namespace net {
class NetworkPlay;
}
class InternetPlay;

struct ProgramPaths {
  QString settings;  // "Conf.dll" in the working directory
  QString records;   // "Recordes.qdx" in the working directory
  QString phrases;   // "Frases.ini" beside the program, or where an installed copy keeps it
  // Read while `phrases` does not exist yet, and copied there at the first save (installed copy).
  QString phrases_default = {};
  QString level{};  // the computer's level in the user's configuration folder; empty: not kept
  QString mestre_data{};  // "mestre.dat", what "Mestre" learned; empty: none (it plays as "Forte")
  QString history{};      // the history database in the player's data folder; empty: not kept
  QString broker{};       // "Servidor de mesas" in the same folder; empty: not kept
};

class Program {
 public:
  // `show_splash` false skips the three-second splash (tests).
  explicit Program(const ProgramPaths& paths, bool show_splash = true);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void Show();

  Game& game() { return game_; }
  // The level chosen: the classic computer, "Forte" or "Mestre" (which plays as "Forte" when its
  // file could not be used).
  [[nodiscard]] ComputerLevel level() const { return level_; }
  TFormMain& main_window() { return *main_; }
  WindowScreen& screen() { return screen_; }
  TF_ESCOLHA& escolha() { return *escolha_; }
  // The settings window, with its colour window, made when first opened.
  TFormConfig& config();
  TFormCor& colours() {
    config();
    return *colours_;
  }
  TFormFrases& phrases() { return frases(); }
  TFormRecordes& records_window() { return recordes(); }
  TFormManilhas& manilhas();
  // The history of every hand (closed when none is kept), and its recorder: "Dica" tells it
  // what it showed through NoteHint.
  history::HistoryDb& history() { return history_; }
  history::HistoryRecorder& recorder() { return recorder_; }
  // "Dica": its `hintShown` signal tells the hand's history each hint shown.
  HintController& hints() { return *hints_; }

 private:
  void ApplyBackground(ColourCode code);
  void SyncSettings();
  void ShowFirstPlace(bool report = true);
  void RestartMatch();
  // The network side ("Em rede" and "Internet"), made by the first networked OK.
  void MakeNetwork();
  // The table of the game in pairs, made the first time it is chosen.
  void OpenDuplas();
  void ApplyLevel(ComputerLevel level);
  // The windows made when first opened.
  TFormRecordes& recordes();
  TFormSobre& sobre();
  TFormRegras& regras();
  TFormBaralho& baralho();
  TFormEstatisticas& estatisticas();
  TFormHistorico& historico();
  TFormFrases& frases();
  // The computer's shouts in use from now on.
  void TakePhrases(const Phrases& phrases);

  ClockRandom random_;
  ComputerJudgement judgement_;
  ForteJudgement forte_;
  MestreData mestre_data_;
  std::unique_ptr<MestreJudgement> mestre_;  // only with a usable file
  QString mestre_path_;
  // The game keeps one judgement for its whole life; this one hands over to the level chosen.
  ForwardingJudgement chosen_{judgement_};
  ComputerLevel level_ = ComputerLevel::Classico;
  QString level_path_;
  QString records_path_;
  QString phrases_path_;
  QString phrases_default_path_;
  QString broker_path_;
  // Networked hands go into the history too.
  bool network_history_ = false;
  WindowScreen screen_;
  history::HistoryDb history_;
  history::HistoryRecorder recorder_{history_};
  // Games in pairs have a recorder of their own: one may run beside a game against the computer.
  history::HistoryRecorder pairs_recorder_{history_};
  history::PairsHistory pairs_history_{pairs_recorder_};
  Game game_;
  SettingsStore settings_;
  RecordsBook records_;
  // The records file's failure already told during this press of "Iniciar" (a restart hands two
  // results over, and one damaged file is one box).
  std::optional<FileStatus> records_told_;
  ColourCode background_ = kButtonFaceCode;

  std::unique_ptr<TFormMain> main_;
  std::unique_ptr<TFormRecordes> recordes_;
  std::unique_ptr<TFormSobre> sobre_;
  std::unique_ptr<TFormRegras> regras_;
  std::unique_ptr<TFormManilhas> manilhas_;
  std::unique_ptr<TFormConfig> config_;
  std::unique_ptr<TFormBaralho> baralho_;
  std::unique_ptr<TFormCor> colours_;
  std::unique_ptr<TFormTruco> truco_;
  std::unique_ptr<TFormFrases> frases_;
  std::unique_ptr<TF_ESCOLHA> escolha_;
  std::unique_ptr<TFormEstatisticas> estatisticas_;
  std::unique_ptr<TFormHistorico> historico_;
  std::unique_ptr<TFormDuplas> duplas_;
  std::unique_ptr<net::NetworkPlay> network_;
  std::unique_ptr<HintController> hints_;
  // After network_: it hands the network side its link and goes first.
  std::unique_ptr<InternetPlay> internet_;
};

}  // namespace truco
