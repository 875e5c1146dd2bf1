#include "ui/frame_style.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace truco {
namespace {

// Fusion's own numbers for the frame below a group box's title.
constexpr int kGroupBoxTopMargin = 3;
constexpr int kFrameBorder = 6;

}  // namespace

FrameStyle::FrameStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("fusion"))) {
  QImageReader reader(
      QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"), "png");
  reader.setAutoDetectImageFormat(false);
  group_box_frame_ = QPixmap::fromImageReader(&reader);
}

void FrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
  if (element != PE_FrameGroupBox || group_box_frame_.isNull()) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  int top = kGroupBoxTopMargin;
  const auto* box = qobject_cast<const QGroupBox*>(widget);
  if (!box || box->isCheckable() || !box->title().isEmpty()) {
    top += qMax(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget),
                option->fontMetrics.height());
  }
  qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0),
                    QMargins(kFrameBorder, kFrameBorder, kFrameBorder, kFrameBorder),
                    group_box_frame_);
}

void UseFrameStyle() {
  if (QApplication::style()->name() == QStringLiteral("fusion"))
    QApplication::setStyle(new FrameStyle);
}

}  // namespace truco
