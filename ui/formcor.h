#pragma once
// The colour window ("FormCor"): twenty swatches; clicking one (or walking to it with the arrow
// keys) makes it the selection shown in `EditCor`. "OK" writes the selection into the settings file
// and returns Accepted; "Cancelar" returns Rejected and puts back the selection the window opened
// with, so the settings window saves the colour that was there.

#include <QDialog>
#include <array>
#include <memory>

#include "store/colours.h"

namespace Ui {
class TFormCor;
}

class QFrame;

namespace truco {

class SettingsStore;

inline constexpr int kNumSwatches = 20;

// Row by row, left to right.
const std::array<ColourCode, kNumSwatches>& SwatchCodes();
// The colour of a swatch in words ("Amarelo"), as a screen reader says it.
QString SwatchName(int index);

class TFormCor : public QDialog {
  Q_OBJECT

 public:
  explicit TFormCor(SettingsStore* settings, QWidget* parent = nullptr);
  ~TFormCor() override;

  // The colour code in `EditCor`.
  ColourCode selectedCode() const { return selected_; }
  void setSelectedCode(ColourCode code);

  void setMainBackground(const QColor& colour);

 public slots:
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private slots:
  void BOKClick();
  void BCancelarClick();

 private:
  // An arrow key moves the selection through the grid; false for any other key.
  bool MoveSelection(int key);
  int SwatchIndexOf(const QObject* watched) const;
  void SetKeyboardSwatch(int index);

  std::unique_ptr<Ui::TFormCor> ui_;
  SettingsStore* settings_;
  std::array<QFrame*, kNumSwatches> swatches_{};
  ColourCode selected_ = kButtonFaceCode;
  ColourCode selected_at_open_ = kButtonFaceCode;
};

}  // namespace truco
