#pragma once
// The whole program: the game, its windows in their start-up order, and the wiring between them.
// Each window is created once and lives for the whole run; it is only shown and hidden.

#include <QColor>
#include <memory>

#include "engine/game.h"
#include "engine/random.h"
#include "opponent/computer.h"
#include "opponent/forte.h"
#include "store/level_file.h"
#include "store/colours.h"
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
  QString broker{};  // "Servidor de mesas" in the same folder; empty: not kept
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
  // The judgement in force: the classic computer or "Forte".
  [[nodiscard]] ComputerLevel level() const { return level_; }
  TFormMain& main_window() { return *main_; }
  WindowScreen& screen() { return screen_; }
  TF_ESCOLHA& escolha() { return *escolha_; }
  TFormConfig& config() { return *config_; }
  TFormCor& colours() { return *colours_; }
  TFormFrases& phrases() { return *frases_; }
  TFormRecordes& records_window() { return *recordes_; }
  TFormManilhas& manilhas() { return *manilhas_; }

 private:
  void ApplyBackground(ColourCode code);
  void SyncSettings();
  void ShowFirstPlace(bool report = true);
  void RestartMatch();
  void ApplyLevel(ComputerLevel level);

  ClockRandom random_;
  ComputerJudgement judgement_;
  ForteJudgement forte_;
  // The game keeps one judgement for its whole life; this one hands over to the level chosen.
  ForwardingJudgement chosen_{judgement_};
  ComputerLevel level_ = ComputerLevel::Classico;
  QString level_path_;
  WindowScreen screen_;
  Game game_;
  SettingsStore settings_;
  RecordsBook records_;
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
  std::unique_ptr<net::NetworkPlay> network_;
  // After network_: it hands the network side its link and goes first.
  std::unique_ptr<InternetPlay> internet_;
};

}  // namespace truco
