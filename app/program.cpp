#include "app/program.h"

#include "ui/card.h"
#include "ui/file_messages.h"
#include "ui/formbaralho.h"
#include "ui/formconfig.h"
#include "ui/formcor.h"
#include "ui/formescolha.h"
#include "ui/formfrases.h"
#include "ui/formmain.h"
#include "ui/formmanilhas.h"
#include "ui/formrecordes.h"
#include "ui/formregras.h"
#include "ui/formsobre.h"
#include "ui/formsplash.h"
#include "ui/formtruco.h"
#include "ui/internet_play.h"
#include "ui/network_play.h"

namespace truco {

Program::Program(const ProgramPaths& paths, bool show_splash)
    : level_path_(paths.level),
      game_(screen_, random_, chosen_),
      settings_(paths.settings),
      records_(paths.records) {
  TCard::SetRandomSource(&random_);

  // The main window first: its creation shows the splash and loads the settings.
  main_ = std::make_unique<TFormMain>(game_, screen_);
  screen_.SetMainWindow(main_.get());
  if (show_splash) {
    TFormSplash splash;
    splash.exec();
  }
  const SettingsStartup startup = settings_.LoadAtStart();
  ReportSettingsStartup(startup);
  // The record's colour when it came from the file or reached it; else the design colour.
  if (startup.read.ok() || (startup.wrote_default && startup.created.ok()))
    background_ = settings_.record().background_colour;
  main_->SetBackground(ColourFromCode(background_));

  // Then every other window, in the start-up order, each attached to the window that opens it,
  // so a window manager keeps it above that window and never minimises it on its own.
  QWidget* owner = main_.get();
  recordes_ = std::make_unique<TFormRecordes>(paths.records, owner);
  sobre_ = std::make_unique<TFormSobre>(owner);
  regras_ = std::make_unique<TFormRegras>(owner);
  manilhas_ = std::make_unique<TFormManilhas>(owner);
  config_ = std::make_unique<TFormConfig>(&settings_, nullptr, owner);
  baralho_ = std::make_unique<TFormBaralho>(config_.get());
  colours_ = std::make_unique<TFormCor>(&settings_, config_.get());
  config_->setColourWindow(colours_.get());
  truco_ = std::make_unique<TFormTruco>(owner);
  screen_.SetTrucoDialog(truco_.get());
  frases_ = std::make_unique<TFormFrases>(paths.phrases, paths.phrases_default, owner);
  escolha_ = std::make_unique<TF_ESCOLHA>(owner);
  screen_.SetEscolhaDialog(escolha_.get());
  // The waiting dialog, the connection and the networked hand, wired to the windows above.
  network_ = net::WireNetworkPlay(game_, *main_, *escolha_, screen_, random_);
  // "Internet": the same networked game through a table server.
  internet_ = std::make_unique<InternetPlay>(game_, *network_, *escolha_, paths.broker);

  ApplyBackground(background_);
  SyncSettings();
  ApplyLevel(ReadLevelFile(level_path_));
  config_->setComputerLevel(level_);

  // The phrases window loaded the file when it was created; its fields are the phrases in use.
  auto take_phrases = [this](const Phrases& phrases) {
    for (std::size_t i = 0; i < phrases.size(); ++i) {
      game_.mutable_state().truco_phrases[i] = phrases[i].toStdString();
    }
  };
  take_phrases(frases_->phrases());
  QObject::connect(frases_.get(), &TFormFrases::phrasesSaved, take_phrases);

  screen_.SetRecordSink([this](const std::string& name, int won, int lost, int balance) {
    ReportRecordsSubmit(records_.Submit(QString::fromStdString(name), won, lost, balance));
    // The first-place line follows the file as soon as a result may have changed it; a file
    // that cannot be read was reported by the write that just failed.
    ShowFirstPlace(false);
  });

  TFormMain* main = main_.get();
  QObject::connect(main, &TFormMain::aboutRequested, [this] { sobre_->exec(); });
  QObject::connect(main, &TFormMain::rulesRequested, [this] { regras_->exec(); });
  QObject::connect(main, &TFormMain::manilhasRequested,
                   [this] { manilhas_->showManilhas(game_.state().manilha_value); });
  QObject::connect(main, &TFormMain::phrasesRequested, [this] { frases_->exec(); });
  QObject::connect(main, &TFormMain::recordsRequested, [this] {
    recordes_->exec();
    // "Limpar" may have changed the first place; a failure was told by the records window.
    ShowFirstPlace(/*report=*/false);
  });
  QObject::connect(main, &TFormMain::firstPlaceRequested, [this] { ShowFirstPlace(); });
  QObject::connect(main, &TFormMain::settingsRequested, [this] {
    config_->OpenFrom(background_);
    SyncSettings();
    if (config_->computer_level() != level_) {
      ApplyLevel(config_->computer_level());
      // Kept for the next run; a failure leaves the level in force for this run only.
      WriteLevelFile(level_path_, level_);
    }
    main_->refresh();
  });
  QObject::connect(config_.get(), &TFormConfig::helpRequested, [this] { baralho_->exec(); });
  QObject::connect(config_.get(), &TFormConfig::backgroundChosen,
                   [this](ColourCode code) { ApplyBackground(code); });
  QObject::connect(config_.get(), &TFormConfig::matchRestartRequested, [this] { RestartMatch(); });
}

Program::~Program() {
  TCard::SetRandomSource(nullptr);
}

void Program::Show() {
  main_->show();
}

void Program::ApplyBackground(ColourCode code) {
  background_ = code;
  const QColor colour = ColourFromCode(code);
  main_->SetBackground(colour);
  colours_->setMainBackground(colour);
  baralho_->setMainBackground(colour);
  config_->setMainBackground(colour);
  manilhas_->setMainBackground(colour);
  regras_->setMainBackground(colour);
  frases_->setMainBackground(colour);
  // The truco dialog takes the main window's colour each time it opens.
}

void Program::SyncSettings() {
  GameSettings& s = game_.mutable_state().settings;
  s.deck_type = static_cast<char>(settings_.deck_type());
  s.manilha_mode = config_->manilha_mode();
  s.eleven_mode = config_->eleven_mode();
}

void Program::ApplyLevel(ComputerLevel level) {
  level_ = level;
  chosen_.set_target(level == ComputerLevel::Forte ? static_cast<const Judgement&>(forte_)
                                                   : judgement_);
  main_->SetLevelHint(LevelName(level));
}

void Program::ShowFirstPlace(bool report) {
  const FileStatus read = records_.ReadFirstRow();
  if (report) ReportRecordsFirstRow(read);
  const records_entry& first = records_.rows()[0];
  main_->SetFirstPlace(first.name(), first.balance);
}

void Program::RestartMatch() {
  game_.StopMatch();
  main_->refresh();
  // The game-kind dialog is shown; only the name it may take counts until "Iniciar".
  const GameKindChoice choice = escolha_->Escolha();
  if (choice.ok) game_.mutable_state().LabelNome = choice.name;
  main_->refresh();
}

}  // namespace truco
