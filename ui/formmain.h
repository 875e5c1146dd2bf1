#pragma once

#include <QWidget>

namespace truco {

// The table on which the game is played.
class TFormMain : public QWidget {
  Q_OBJECT
 public:
  explicit TFormMain(QWidget* parent = nullptr);
};

}  // namespace truco
