#include "ui/formconfig.h"

#include <QCloseEvent>

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

int TFormConfig::deck_index() const { return ui_->RadioLimpo->isChecked() ? 1 : 0; }

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

void TFormConfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ui_->EditFoco->setFocus();
  SelectFromRecord();
  activation_key_ = current_key();
}

void TFormConfig::closeEvent(QCloseEvent* event) {
  ui_->EditFoco->setFocus();
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
  ui_->EditFoco->setFocus();
  accept();
  if (settings_) {
    const FileStatus reread = settings_->Reread();
    if (!reread.ok() && !reported)
      Mensagem(FileFailureLines(QString::fromLatin1(kSettingsFileName), reread), kMensagemErro);
  }
}

}  // namespace truco
