#pragma once
// The dialog in which the player answers the computer's call: accept, raise or run.

#include <QColor>
#include <QDialog>
#include <QRect>
#include <functional>
#include <memory>

#include "engine/screen.h"

namespace Ui {
class TFormTruco;
}

namespace truco {

class TFormTruco : public QDialog {
  Q_OBJECT
 public:
  explicit TFormTruco(QWidget* parent = nullptr);
  ~TFormTruco() override;

  // Shows the dialog modally; returns the answer of the button that closed it.
  char Ask(const TrucoDialogRequest& request);
  [[nodiscard]] char answer() const { return answer_; }

  // Where the dialog takes its background from, each time it is shown.
  void SetBackgroundSource(std::function<QColor()> source) { background_ = std::move(source); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 public slots:
  // Escape and the window manager must not close it: only its buttons answer.
  void reject() override {}

 private:
  void Answer(char answer);
  // Sizes the headline's type so the whole phrase shows.
  void FitHeadline();

  std::unique_ptr<Ui::TFormTruco> ui_;
  char answer_ = kAnswerNone;
  bool closing_by_button_ = false;
  std::function<QColor()> background_;
  QRect headline_geometry_;
};

}  // namespace truco
