#pragma once

#include <QValidator>

namespace truco {

// Turns whatever is typed or pasted into upper case and keeps it within `max_length`
// characters (upper case can lengthen a text: "ß" becomes "SS").
class UpperCaseValidator : public QValidator {
  Q_OBJECT
 public:
  explicit UpperCaseValidator(int max_length, QObject* parent = nullptr)
      : QValidator(parent), max_length_(max_length) {}

  State validate(QString& input, int& pos) const override {
    input = input.toUpper();
    if (input.size() > max_length_) input.truncate(max_length_);
    if (pos > input.size()) pos = static_cast<int>(input.size());
    return Acceptable;
  }

 private:
  int max_length_;
};

}  // namespace truco
