#include "ui/cardsequence.h"

#include <QLabel>
#include <QWidget>

#include "ui/card.h"

namespace truco {

void PlaceCardSequence(QWidget* area, std::span<const std::uint8_t> values, int per_row,
                       const QString& prefix) {
  constexpr int kLabelHeight = 16;
  for (int i = 0; i < static_cast<int>(values.size()); ++i) {
    const int left = (i % per_row) * kSequenceColumnWidth;
    const int top = (i / per_row) * kSequenceRowHeight;
    const QString place = QString::number(i + 1);

    auto* label = new QLabel(place + QStringLiteral("ª"), area);
    label->setObjectName(QStringLiteral("L") + prefix + place);
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setGeometry(left, top, TCard::kWidth, kLabelHeight);

    auto* card = new TCard(area);
    card->setObjectName(prefix + place);
    card->setSuit(Suit::Clubs);
    card->setValue(values[static_cast<std::size_t>(i)]);
    card->move(left, top + kLabelHeight);
  }
}

}  // namespace truco
