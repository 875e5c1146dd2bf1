#pragma once
// "Configurações": how the manilhas are chosen, how a hand of eleven is played, which deck is
// used, and (through the colour window) the background colour. The game reads the manilha and
// hand-of-eleven modes from this window's selections and the deck from the settings record.
//
// Changing the manilha mode or the deck needs a new match: "Gravar e Fechar" asks first and, on
// Yes, saves them and emits matchRestartRequested(); on No they return to what is stored. The
// hand-of-eleven choice and the colour are saved in every case. The window has no close box.

#include <QDialog>
#include <memory>
#include <vector>

#include "engine/cards.h"
#include "store/colours.h"
#include "store/level_file.h"

namespace Ui {
class TFormConfig;
}

namespace truco {

class SettingsStore;
struct settings_record;
class TFormCor;

class TFormConfig : public QDialog {
  Q_OBJECT

 public:
  // Selections start from the settings' record in memory, so load the settings first.
  TFormConfig(SettingsStore* settings, TFormCor* colour_window, QWidget* parent = nullptr);
  ~TFormConfig() override;

  void setColourWindow(TFormCor* colour_window) { colour_window_ = colour_window; }
  // What the main window's "Configurações" does: the colour window's selection becomes the
  // main window's background code, then this window is shown modally.
  int OpenFrom(ColourCode main_background);
  void setMainBackground(const QColor& colour);

  // What the window selects for the settings record when it is made.
  static ManilhaMode ManilhaModeOf(const settings_record& record);
  static int ElevenModeOf(const settings_record& record);
  // manilha_mode: "Manilha Nova" or "Manilha Velha" as selected now.
  ManilhaMode manilha_mode() const;
  // eleven_mode: 0 "Normal", 1 "No Escuro" as selected now.
  int eleven_mode() const;
  // Selected item of " Tipo de Baralho ": 0 "Baralho Sujo", 1 "Baralho Limpo".
  int deck_index() const;

  // "Nível do computador" as selected now ("Clássico" until the player picks another), and
  // setting it (the level read at start).
  ComputerLevel computer_level() const;
  void setComputerLevel(ComputerLevel level);

  // The settings key: the selected manilha control's name followed by the selected deck's text
  // ("RadioNovaBaralho Sujo"), as the window was shown and as it is now.
  QString activation_key() const { return activation_key_; }
  QString current_key() const;

 signals:
  // "O Que é Sujo e Limpo?": show the deck-type explanation modally.
  void helpRequested();
  // The player agreed to restart after changing manilha mode or deck: stop the hand's timers,
  // zero the points and show the game-kind dialog. Emitted while this window is still open.
  void matchRestartRequested();
  // The colour window returned OK with this colour code: it is the main window's background
  // now, and every window that follows it should take it.
  void backgroundChosen(truco::ColourCode code);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // No close box and no Escape: "Gravar e Fechar" is the way out.
  void reject() override {}
  bool focusNextPrevChild(bool next) override;

 private slots:
  void RadioNovaClick();
  void RadioVelhaClick();
  void RadioBaralhoClick();
  void BHelpClick();
  void SpeedButton2Click();
  void SpeedButton1Click();

 private:
  void SetUpKeyboard();
  // Tab's stops in reading order: each option group once (at its checked option), then the
  // buttons; disabled and hidden ones are passed over.
  [[nodiscard]] std::vector<QWidget*> TabStops() const;
  // The keyboard starts on the manilha option in force.
  void FocusFirstOption();
  // Manilha option and deck item as the record in memory says; codes other than '1' and '2'
  // leave the option alone.
  void SelectFromRecord();
  void SelectManilha(ManilhaMode mode);
  void SelectDeck(int index);
  void SelectEleven(int index);
  ColourCode SelectedColour() const;

  std::unique_ptr<Ui::TFormConfig> ui_;
  SettingsStore* settings_;
  TFormCor* colour_window_;
  QString activation_key_;
};

}  // namespace truco
