#include "app/program.h"

#include <QFileInfo>
#include <QTimer>
#include <ctime>

#include "store/atomic_write.h"
#include "store/broker_file.h"
#include "ui/card.h"
#include "ui/file_messages.h"
#include "ui/formbaralho.h"
#include "ui/formconfig.h"
#include "ui/formcor.h"
#include "ui/formduplas.h"
#include "ui/formescolha.h"
#include "ui/formfrases.h"
#include "ui/formhistory.h"
#include "ui/formmain.h"
#include "ui/formmanilhas.h"
#include "ui/formrecordes.h"
#include "ui/formregras.h"
#include "ui/formsobre.h"
#include "ui/formsplash.h"
#include "ui/formtruco.h"
#include "ui/hint_controller.h"
#include "ui/internet_play.h"
#include "ui/messageboxes.h"
#include "ui/network_play.h"

#include <QDir>

namespace truco {

namespace {

// "Dica"'s advice as the history writes the move it names.
history::Suggestion HintSuggestion(const GameState& state, int kind, int card_index) {
  switch (static_cast<Advice::Kind>(kind)) {
    case Advice::Kind::Call:
      return {history::MoveKind::Call, 0};
    case Advice::Kind::Accept:
      return {history::MoveKind::Answer, 'S'};
    case Advice::Kind::Raise:
      return {history::MoveKind::Answer, '+'};
    case Advice::Kind::Run:
      return {history::MoveKind::Answer, 'N'};
    case Advice::Kind::Card:
      if (card_index >= 0 && card_index < 3) {
        const CardId id = static_cast<CardId>(kCartaJ1 + card_index);
        return {history::MoveKind::Card, history::CardCode(state.cards[id].card)};
      }
      break;
    default:
      break;
  }
  return {history::MoveKind::Card, 0};
}

}  // namespace

Program::Program(const ProgramPaths& paths, bool show_splash)
    : mestre_data_(ReadMestreData(paths.mestre_data.toStdString())),
      mestre_path_(paths.mestre_data),
      level_path_(paths.level),
      game_(screen_, random_, chosen_),
      settings_(paths.settings),
      records_(paths.records) {
  TCard::SetRandomSource(&random_);
  if (mestre_data_.model) mestre_ = std::make_unique<MestreJudgement>(*mestre_data_.model);

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
  // The records, about, rules, manilhas, deck, settings, colour and phrases windows, and the
  // history's two, are made when first opened: nothing depends on their existing before, and
  // they would hold memory (the charts, the rich text, their cards, fonts) for a run that may
  // never open them.
  records_path_ = paths.records;
  // The truco dialog is made for the first call the player is asked to answer.
  screen_.SetTrucoDialogMaker([this] {
    truco_ = std::make_unique<TFormTruco>(main_.get());
    hints_->AttachToTrucoDialog(truco_.get());
    return truco_.get();
  });
  phrases_path_ = paths.phrases;
  phrases_default_path_ = paths.phrases_default;
  escolha_ = std::make_unique<TF_ESCOLHA>(owner);
  screen_.SetEscolhaDialog(escolha_.get());
  screen_.SetDuplasOpener([this](const GameKindChoice& choice) {
    OpenDuplas();
    duplas_->SetPlayerName(QString::fromStdString(choice.name));
  });
  // The network side is made by the first "Em rede" or "Internet" OK: until then Qt Network's
  // sockets and the waiting and lobby windows hold no memory.
  broker_path_ = paths.broker;
  escolha_->SetBroker(ReadBrokerFile(broker_path_));
  escolha_->SetConnector([this](const ConnectRequest& request) {
    MakeNetwork();
    // The network side set the dialog's connector: this request goes to it.
    return escolha_->Connect(request);
  });

  // Every hand against the computer goes into the history as it ends.
  if (!paths.history.isEmpty()) {
    const history::OpenOutcome opened =
        history_.Open(paths.history.toStdString(), std::time(nullptr));
    ReportHistoryOpen(opened, paths.history);
    // Checked and told now; closed, with SQLite, until the first hand ends or a history window
    // opens.
    history_.Park();
    // The file damaged or replaced before the next opening is set aside then, and told as at
    // the start.
    history_.set_on_set_aside([this, path = paths.history](const history::OpenOutcome& outcome) {
      QTimer::singleShot(0, main_.get(), [outcome, path] { ReportHistoryOpen(outcome, path); });
    });
    // A history waiting to be opened was told at the start: the writes that fail until then say
    // nothing new.
    const bool waiting_told = opened.state == history::OpenState::Waiting;
    recorder_.set_on_failure([this, waiting_told](int code, int error) {
      if (waiting_told && history::IsPassingFault(code, error)) return;
      // Told after the game's event is over: play never waits on the box.
      QTimer::singleShot(0, main_.get(), [code, error] { ReportHistoryWrite(code, error); });
    });
    pairs_recorder_.set_on_failure([this, waiting_told](int code, int error) {
      if (waiting_told && history::IsPassingFault(code, error)) return;
      QTimer::singleShot(0, main_.get(), [code, error] { ReportHistoryWrite(code, error); });
    });
    if (history_.keeps_hands()) {
      game_.set_observer(&recorder_);
      // Networked games too, once the network side is made.
      network_history_ = true;
    }
  }
  // "Dica" asks "Mestre" whatever the level in force.
  hints_ = std::make_unique<HintController>(game_, *main_, mestre_.get());
  // Each hint shown goes into the hand's history, so the player's next move counts as followed
  // or not.
  QObject::connect(hints_.get(), &HintController::hintShown, main_.get(),
                   [this](int, int kind, int card_index, double, const QString&) {
                     recorder_.NoteHint(HintSuggestion(game_.state(), kind, card_index));
                   });

  ApplyBackground(background_);
  SyncSettings();
  ComputerLevel level = ComputerLevel::Classico;
  const FileStatus level_read = ReadLevelFile(level_path_, &level);
  // A file far larger than any level file is someone else's: it stays, and the player hears why
  // the level is "Clássico".
  if (level_read.fault == FileFault::TooLarge && level_read.limit == kPlayerFileLimit) {
    Mensagem(FileFailureLines(QFileInfo(level_path_).fileName(), level_read,
                              QStringLiteral("O arquivo não foi alterado; o computador joga no "
                                             "nível Clássico.")),
             kMensagemAtencao);
  }
  ApplyLevel(level);

  // The phrases as the phrases window, made when first opened, would put them in use.
  TakePhrases(TFormFrases::PhrasesInUse(phrases_path_, phrases_default_path_));

  screen_.SetRecordSink([this](const std::string& name, int won, int lost, int balance) {
    const RecordsSubmit submit = records_.Submit(QString::fromStdString(name), won, lost, balance);
    const bool read_failed = !submit.read.ok() && !submit.read.missing();
    const bool write_failed = submit.wrote && !submit.write.ok();
    if (read_failed || write_failed) {
      const FileStatus& failure = read_failed ? submit.read : submit.write;
      if (records_told_ != failure) ReportRecordsSubmit(submit);
      records_told_ = failure;
    }
    // The first-place line follows the file as soon as a result may have changed it; a file
    // that cannot be read was reported by the write that just failed.
    ShowFirstPlace(false);
  });

  TFormMain* main = main_.get();
  QObject::connect(main, &TFormMain::startHandled, [this] { records_told_.reset(); });
  QObject::connect(main, &TFormMain::aboutRequested, [this] { sobre().exec(); });
  QObject::connect(main, &TFormMain::rulesRequested, [this] { regras().exec(); });
  QObject::connect(main, &TFormMain::manilhasRequested,
                   [this] { manilhas().showManilhas(game_.state().manilha_value); });
  QObject::connect(main, &TFormMain::phrasesRequested, [this] { frases().exec(); });
  QObject::connect(main, &TFormMain::recordsRequested, [this] {
    recordes().exec();
    // "Limpar" may have changed the first place; a failure was told by the records window.
    ShowFirstPlace(/*report=*/false);
  });
  QObject::connect(main, &TFormMain::statisticsRequested, [this] {
    TFormEstatisticas& window = estatisticas();
    // A history that was busy at start may be free now.
    history_.OpenAgain();
    window.Reload();
    window.exec();
  });
  QObject::connect(main, &TFormMain::historyRequested, [this] {
    TFormHistorico& window = historico();
    history_.OpenAgain();
    window.Reload();
    window.exec();
  });
  QObject::connect(main, &TFormMain::firstPlaceRequested, [this] { ShowFirstPlace(); });
  QObject::connect(main, &TFormMain::settingsRequested, [this] {
    TFormConfig& window = config();
    window.OpenFrom(background_);
    SyncSettings();
    if (window.computer_level() != level_) {
      ApplyLevel(window.computer_level());
      // Kept for the next run; a failure leaves the level in force for this run only, and says so.
      const FileStatus saved = SaveLevelFile(level_path_, level_);
      if (!saved.ok()) {
        Mensagem(FileFailureLines(QFileInfo(level_path_).fileName(), saved,
                                  QStringLiteral("O arquivo não foi alterado; o nível escolhido "
                                                 "vale só até o programa ser fechado.")),
                 kMensagemAtencao);
      }
    }
    main_->refresh();
  });
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
  // The windows not made yet take the colour when they are.
  if (config_) {
    colours_->setMainBackground(colour);
    config_->setMainBackground(colour);
  }
  if (baralho_) baralho_->setMainBackground(colour);
  if (manilhas_) manilhas_->setMainBackground(colour);
  if (regras_) regras_->setMainBackground(colour);
  if (frases_) frases_->setMainBackground(colour);
  // The truco dialog takes the main window's colour each time it opens.
}

TFormRecordes& Program::recordes() {
  if (!recordes_) recordes_ = std::make_unique<TFormRecordes>(records_path_, main_.get());
  return *recordes_;
}

TFormSobre& Program::sobre() {
  if (!sobre_) sobre_ = std::make_unique<TFormSobre>(main_.get());
  return *sobre_;
}

TFormRegras& Program::regras() {
  if (!regras_) {
    regras_ = std::make_unique<TFormRegras>(main_.get());
    regras_->setMainBackground(ColourFromCode(background_));
  }
  return *regras_;
}

TFormManilhas& Program::manilhas() {
  if (!manilhas_) {
    manilhas_ = std::make_unique<TFormManilhas>(main_.get());
    manilhas_->setMainBackground(ColourFromCode(background_));
  }
  return *manilhas_;
}

TFormBaralho& Program::baralho() {
  if (!baralho_) {
    baralho_ = std::make_unique<TFormBaralho>(&config());
    baralho_->setMainBackground(ColourFromCode(background_));
  }
  return *baralho_;
}

TFormConfig& Program::config() {
  if (!config_) {
    config_ = std::make_unique<TFormConfig>(&settings_, nullptr, main_.get());
    colours_ = std::make_unique<TFormCor>(&settings_, config_.get());
    config_->setColourWindow(colours_.get());
    const QColor colour = ColourFromCode(background_);
    colours_->setMainBackground(colour);
    config_->setMainBackground(colour);
    config_->setComputerLevel(level_);
    QObject::connect(config_.get(), &TFormConfig::helpRequested, [this] { baralho().exec(); });
    QObject::connect(config_.get(), &TFormConfig::backgroundChosen,
                     [this](ColourCode code) { ApplyBackground(code); });
    QObject::connect(config_.get(), &TFormConfig::matchRestartRequested,
                     [this] { RestartMatch(); });
  }
  return *config_;
}

TFormFrases& Program::frases() {
  if (!frases_) {
    frases_ = std::make_unique<TFormFrases>(phrases_path_, phrases_default_path_, main_.get());
    frases_->setMainBackground(ColourFromCode(background_));
    // Its fields, read from the file now, are the phrases in use.
    TakePhrases(frases_->phrases());
    QObject::connect(frases_.get(), &TFormFrases::phrasesSaved,
                     [this](const Phrases& phrases) { TakePhrases(phrases); });
  }
  return *frases_;
}

void Program::TakePhrases(const Phrases& phrases) {
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    game_.mutable_state().truco_phrases[i] = phrases[i].toStdString();
  }
}

TFormEstatisticas& Program::estatisticas() {
  if (!estatisticas_) estatisticas_ = std::make_unique<TFormEstatisticas>(history_, main_.get());
  return *estatisticas_;
}

TFormHistorico& Program::historico() {
  if (!historico_) historico_ = std::make_unique<TFormHistorico>(history_, main_.get());
  return *historico_;
}

void Program::SyncSettings() {
  GameSettings& s = game_.mutable_state().settings;
  s.deck_type = static_cast<char>(settings_.deck_type());
  // The settings window's choices once it is made; until then the record's, as it would show
  // them.
  s.manilha_mode =
      config_ ? config_->manilha_mode() : TFormConfig::ManilhaModeOf(settings_.record());
  s.eleven_mode = config_ ? config_->eleven_mode() : TFormConfig::ElevenModeOf(settings_.record());
}

void Program::ApplyLevel(ComputerLevel level) {
  level_ = level;
  if (level == ComputerLevel::Mestre && !mestre_) {
    // Said each time it is chosen, so the player knows which computer is playing.
    MOSTRA_MENSAGEM(QString::fromStdString(MestreDataProblem(
                        mestre_data_.status, QDir::toNativeSeparators(mestre_path_).toStdString())),
                    1);
  }
  const Judgement* target = &judgement_;
  if (level == ComputerLevel::Forte) target = &forte_;
  if (level == ComputerLevel::Mestre)
    target = mestre_ ? static_cast<const Judgement*>(mestre_.get()) : &forte_;
  chosen_.set_target(*target);
  // The hint names the computer that really plays.
  const QString playing = target == &forte_ ? LevelName(ComputerLevel::Forte) : LevelName(level);
  main_->SetLevelHint(playing);
  recorder_.set_level(playing.toStdString());
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

void Program::MakeNetwork() {
  if (network_) return;
  // The waiting dialog, the connection and the networked hand, wired to the windows above.
  network_ = net::WireNetworkPlay(game_, *main_, *escolha_, screen_, random_);
  // The host's interrupted networked game is kept beside the records.
  network_->SetResumeFile(net::ResumeFileBeside(records_path_));
  // The networked hand knows what the other person showed.
  if (network_history_) network_->hand().set_history(&recorder_);
  // "Internet": the same networked game through a table server. It reads the server's file
  // into the dialog; the one the player typed stays there.
  const QString typed = escolha_->broker();
  internet_ = std::make_unique<InternetPlay>(game_, *network_, *escolha_, broker_path_);
  escolha_->SetBroker(typed);
}

void Program::OpenDuplas() {
  if (!duplas_) {
    const bool forte = level_ == ComputerLevel::Forte;
    duplas_ = std::make_unique<TFormDuplas>(random_, forte);
    pairs_history_.set_level(forte ? "Forte" : "Regras");
    if (history_.keeps_hands()) duplas_->mutable_game().set_observer(&pairs_history_);
  }
  const GameSettings& current = game_.state().settings;
  duplas::DuplasSettings settings;
  settings.deck_type = current.deck_type;
  settings.manilha_mode = current.manilha_mode;
  settings.eleven_mode = current.eleven_mode;
  duplas_->SetSettings(settings);
  duplas_->SetBackground(ColourFromCode(background_));
  duplas_->SetDeckType(main_->deckType());
  duplas_->show();
  duplas_->raise();
  duplas_->activateWindow();
}

}  // namespace truco
