#pragma once
// The toolkit's Fusion style, with the group box frame drawn from a picture read as PNG by name.
// Fusion itself reads that picture leaving the format to be guessed, which loads every image
// plugin Qt has (GIF, ICO, JPEG, SVG and the libraries behind them, 0.8 MB resident) in a game
// whose pictures are all PNG.

#include <QProxyStyle>

namespace truco {

class FrameStyle : public QProxyStyle {
 public:
  FrameStyle();
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

 private:
  QPixmap group_box_frame_;
};

// Installs FrameStyle when the application runs Fusion; any other style is left as it is.
void UseFrameStyle();

}  // namespace truco
