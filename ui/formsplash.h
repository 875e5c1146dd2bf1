#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QTimer;

namespace truco {

// The borderless picture shown while the program starts. It closes by itself after
// `kSplashMilliseconds`; the caller may exec() it, and the event loop keeps running meanwhile.
class TFormSplash : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kSplashMilliseconds = 3000;

  explicit TFormSplash(QWidget* parent = nullptr);

  // The decoded picture (null only if the embedded JPEG could not be decoded).
  [[nodiscard]] const QImage& picture() const { return picture_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Timer1Timer();

  QImage picture_;
  QLabel* LVersao = nullptr;
  QTimer* Timer1 = nullptr;
};

}  // namespace truco
