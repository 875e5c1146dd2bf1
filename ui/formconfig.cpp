#include "ui/formconfig.h"

#include <QCloseEvent>
#include <vector>

#include "store/settings_file.h"
#include "ui/card.h"
#include "ui/dialogkeys.h"
#include "ui/file_messages.h"
#include "ui/formcor.h"
#include "ui/messageboxes.h"
#include "ui_formconfig.h"

namespace truco {

namespace {

void SetCard(TCard* card, int value, Suit suit, bool face_down = false) {
  card->setValue(value);
  card->setSuit(suit);
  card->setDeckType(TDecks::Standard1);
  card->setShowDeck(face_down);
}

}  // namespace

TFormConfig::TFormConfig(SettingsStore* settings, TFormCor* colour_window, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TFormConfig>()),
      settings_(settings),
      colour_window_(colour_window) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  // Room below the manilha examples for "Nível do computador".
  resize(width(), ui_->RadioNivel->geometry().bottom() + 12);
  setFixedSize(size());
  ui_->BHelp->setText(QStringLiteral("O Que é\nSujo e Limpo?"));
  // Enter saves and closes; there is no Escape, as there is no close box.
  SetDialogKeys(this, ui_->SpeedButton1, nullptr);

  // Manilha nova: the turned ace of hearts makes the twos manilhas.
  SetCard(ui_->CartaVira, kAce, Suit::Hearts);
  SetCard(ui_->ManilhaNova1, 2, Suit::Clubs);
  SetCard(ui_->ManilhaNova2, 2, Suit::Hearts);
  SetCard(ui_->ManilhaNova3, 2, Suit::Spades);
  SetCard(ui_->ManilhaNova4, 2, Suit::Diamonds);
  // Manilha velha: no turned card, always the same four.
  SetCard(ui_->CartaMonte, kAce, Suit::Hearts, true);
  SetCard(ui_->ManilhaVelha1, 4, Suit::Clubs);
  SetCard(ui_->ManilhaVelha2, 7, Suit::Hearts);
  SetCard(ui_->ManilhaVelha3, kAce, Suit::Spades);
  SetCard(ui_->ManilhaVelha4, 7, Suit::Diamonds);

  // Design selections, kept when the record holds a code the window does not know.
  ui_->RadioNova->setChecked(true);
  ui_->Radio11Normal->setChecked(true);
  ui_->RadioSujo->setChecked(true);
  ui_->RadioClassico->setChecked(true);

  connect(ui_->RadioNova, &QRadioButton::clicked, this, &TFormConfig::RadioNovaClick);
  connect(ui_->RadioVelha, &QRadioButton::clicked, this, &TFormConfig::RadioVelhaClick);
  connect(ui_->RadioSujo, &QRadioButton::clicked, this, &TFormConfig::RadioBaralhoClick);
  connect(ui_->RadioLimpo, &QRadioButton::clicked, this, &TFormConfig::RadioBaralhoClick);
  connect(ui_->BHelp, &QPushButton::clicked, this, &TFormConfig::BHelpClick);
  connect(ui_->SpeedButton2, &QPushButton::clicked, this, &TFormConfig::SpeedButton2Click);
  connect(ui_->SpeedButton1, &QPushButton::clicked, this, &TFormConfig::SpeedButton1Click);

  SetUpKeyboard();
  SelectFromRecord();
  if (settings_) {
    const auto eleven = settings_->record().eleven_code;
    if (eleven == kElevenNormalCode) SelectEleven(0);
    if (eleven == kElevenEscuroCode) SelectEleven(1);
  }
  activation_key_ = current_key();
}

TFormConfig::~TFormConfig() = default;

void TFormConfig::setMainBackground(const QColor& colour) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, colour);
  setPalette(pal);
  setAutoFillBackground(true);
  // The example cards round their corners in the owner's colour.
  for (auto* card : findChildren<TCard*>()) card->update();
}

int TFormConfig::OpenFrom(ColourCode main_background) {
  if (colour_window_) colour_window_->setSelectedCode(main_background);
  return exec();
}

ManilhaMode TFormConfig::ManilhaModeOf(const settings_record& record) {
  // A code the window does not know leaves its design selection, "Manilha Nova".
  return record.manilha_code == kManilhaVelhaCode ? ManilhaMode::Velha : ManilhaMode::Nova;
}

int TFormConfig::ElevenModeOf(const settings_record& record) {
  return record.eleven_code == kElevenEscuroCode ? 1 : 0;
}

ManilhaMode TFormConfig::manilha_mode() const {
  return ui_->RadioVelha->isChecked() ? ManilhaMode::Velha : ManilhaMode::Nova;
}

int TFormConfig::eleven_mode() const {
  return ui_->Radio11Escuro->isChecked() ? 1 : 0;
}

ComputerLevel TFormConfig::computer_level() const {
  if (ui_->RadioMestre->isChecked()) return ComputerLevel::Mestre;
  return ui_->RadioForte->isChecked() ? ComputerLevel::Forte : ComputerLevel::Classico;
}

void TFormConfig::setComputerLevel(ComputerLevel level) {
  QRadioButton* radio = ui_->RadioClassico;
  if (level == ComputerLevel::Forte) radio = ui_->RadioForte;
  if (level == ComputerLevel::Mestre) radio = ui_->RadioMestre;
  radio->setChecked(true);
}

int TFormConfig::deck_index() const {
  return ui_->RadioLimpo->isChecked() ? 1 : 0;
}

QString TFormConfig::current_key() const {
  const QRadioButton* manilha = ui_->RadioVelha->isChecked() ? ui_->RadioVelha : ui_->RadioNova;
  const QRadioButton* deck = ui_->RadioLimpo->isChecked() ? ui_->RadioLimpo : ui_->RadioSujo;
  return manilha->objectName() + deck->text();
}

void TFormConfig::SelectManilha(ManilhaMode mode) {
  (mode == ManilhaMode::Velha ? ui_->RadioVelha : ui_->RadioNova)->setChecked(true);
  // Manilha velha is always played with the dirty deck.
  ui_->RadioSujo->setChecked(true);
  ui_->RadioBaralho->setEnabled(mode == ManilhaMode::Nova);
}

void TFormConfig::SelectDeck(int index) {
  (index == 1 ? ui_->RadioLimpo : ui_->RadioSujo)->setChecked(true);
}

void TFormConfig::SelectEleven(int index) {
  (index == 1 ? ui_->Radio11Escuro : ui_->Radio11Normal)->setChecked(true);
}

void TFormConfig::SelectFromRecord() {
  if (!settings_) return;
  const settings_record& record = settings_->record();
  if (record.manilha_code == kManilhaNovaCode) SelectManilha(ManilhaMode::Nova);
  if (record.manilha_code == kManilhaVelhaCode) SelectManilha(ManilhaMode::Velha);
  if (record.deck_type == kDeckSujoCode) SelectDeck(0);
  if (record.deck_type == kDeckLimpoCode) SelectDeck(1);
}

ColourCode TFormConfig::SelectedColour() const {
  if (colour_window_) return colour_window_->selectedCode();
  return settings_ ? settings_->record().background_colour : kButtonFaceCode;
}

void TFormConfig::SetUpKeyboard() {
  // Every control by Tab in reading order: the manilha column, then the right column from top to
  // bottom, then the level. A radio group is one stop (its checked option) and the arrows move
  // inside it, so a group that gains an option keeps its place.
  ui_->EditFoco->setFocusPolicy(Qt::NoFocus);
  ui_->EditFoco->hide();
  for (QPushButton* button : {ui_->BHelp, ui_->SpeedButton2, ui_->SpeedButton1}) {
    button->setFocusPolicy(Qt::StrongFocus);
  }
  for (QRadioButton* radio : findChildren<QRadioButton*>()) radio->setFocusPolicy(Qt::StrongFocus);
  // The focus shows on the options as well as on the buttons, whatever the background.
  setStyleSheet(
      QStringLiteral("QRadioButton:focus { border: 1px dotted palette(highlight); }"
                     "QPushButton:focus { border: 2px solid palette(highlight); border-radius: 3px;"
                     " padding: 2px; background-color: palette(button); }"));
}

std::vector<QWidget*> TFormConfig::TabStops() const {
  // A radio group is one stop: its checked option (its first when none is checked).
  auto group = [](std::initializer_list<QRadioButton*> options) -> QWidget* {
    for (QRadioButton* option : options) {
      if (option->isChecked()) return option;
    }
    return *options.begin();
  };
  auto options_of = [](const QWidget* box) {
    QRadioButton* checked = nullptr;
    QRadioButton* first = nullptr;
    for (QRadioButton* option : box->findChildren<QRadioButton*>()) {
      if (!first) first = option;
      if (option->isChecked()) checked = option;
    }
    return static_cast<QWidget*>(checked ? checked : first);
  };
  std::vector<QWidget*> stops{group({ui_->RadioNova, ui_->RadioVelha}),
                              options_of(ui_->Radio11),
                              options_of(ui_->RadioBaralho),
                              ui_->BHelp,
                              ui_->SpeedButton2,
                              ui_->SpeedButton1,
                              options_of(ui_->RadioNivel)};
  std::erase_if(stops, [](QWidget* w) { return !w || !w->isVisible() || !w->isEnabled(); });
  return stops;
}

bool TFormConfig::focusNextPrevChild(bool next) {
  const std::vector<QWidget*> stops = TabStops();
  if (stops.empty()) return QDialog::focusNextPrevChild(next);
  const QWidget* focus = focusWidget();
  // The stop that holds the focus: the control itself, or another option of its group.
  std::size_t at = stops.size();
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const bool same_group =
        focus && qobject_cast<const QRadioButton*>(focus) &&
        qobject_cast<QRadioButton*>(stops[i]) &&
        focus->parentWidget() == stops[i]->parentWidget() &&
        (focus->parentWidget() != this || (focus == ui_->RadioNova || focus == ui_->RadioVelha));
    if (stops[i] == focus || same_group) {
      at = i;
      break;
    }
  }
  std::size_t to = 0;
  if (at == stops.size()) {
    to = next ? 0 : stops.size() - 1;
  } else {
    to = next ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
  }
  stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

void TFormConfig::FocusFirstOption() {
  (ui_->RadioVelha->isChecked() ? ui_->RadioVelha : ui_->RadioNova)->setFocus(Qt::TabFocusReason);
}

void TFormConfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SelectFromRecord();
  FocusFirstOption();
  activation_key_ = current_key();
}

void TFormConfig::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
}

void TFormConfig::RadioNovaClick() {
  SelectManilha(ManilhaMode::Nova);
}

void TFormConfig::RadioVelhaClick() {
  SelectManilha(ManilhaMode::Velha);
}

void TFormConfig::RadioBaralhoClick() {
  // The key is computed from the selections whenever it is needed; nothing else to do.
}

void TFormConfig::BHelpClick() {
  emit helpRequested();
}

void TFormConfig::SpeedButton2Click() {
  if (!colour_window_) return;
  if (colour_window_->exec() == QDialog::Accepted)
    emit backgroundChosen(colour_window_->selectedCode());
}

void TFormConfig::SpeedButton1Click() {
  // One box per save: a file that failed once fails the same way for the second step.
  bool reported = false;
  bool failed = false;
  if (current_key() != activation_key_) {
    if (Confirma({QStringLiteral("Se você mudar as configurações agora, terá que reiniciar a "
                                 "partida. Deseja reiniciar")})) {
      const auto deck_code = static_cast<std::uint8_t>('1' + deck_index());
      const auto manilha_code =
          manilha_mode() == ManilhaMode::Velha ? kManilhaVelhaCode : kManilhaNovaCode;
      const ColourCode colour = SelectedColour();
      bool restart = true;
      if (settings_) {
        const SettingsSave save = settings_->Update([&](settings_record& record) {
          record.manilha_code = manilha_code;
          record.deck_type = deck_code;
          record.background_colour = colour;
        });
        reported = ReportSettingsSave(save);
        failed = !save.saved() && !save.wrote_default;
        // A change that did not reach the file is no reason to break off the match.
        restart = save.saved();
      }
      if (restart) {
        emit matchRestartRequested();
      } else {
        SelectFromRecord();
        ui_->RadioBaralho->update();
      }
    } else {
      SelectFromRecord();
      ui_->RadioBaralho->update();
    }
  }
  if (settings_ && !failed) {
    const auto eleven_code = static_cast<std::uint8_t>('1' + eleven_mode());
    const ColourCode colour = SelectedColour();
    const SettingsSave save = settings_->Update([&](settings_record& record) {
      record.eleven_code = eleven_code;
      record.background_colour = colour;
    });
    reported = ReportSettingsSave(save) || reported;
  }
  accept();
  if (settings_) {
    const FileStatus reread = settings_->Reread();
    if (!reread.ok() && !reported)
      Mensagem(FileFailureLines(QString::fromLatin1(kSettingsFileName), reread), kMensagemErro);
  }
}

}  // namespace truco
