#include "ui/formcor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "store/settings_file.h"
#include "ui/dialogkeys.h"
#include "ui_formcor.h"

namespace truco {

const std::array<ColourCode, kNumSwatches>& SwatchCodes() {
  static const std::array<ColourCode, kNumSwatches> codes = {
      0x0000FF00,  // lime
      0x0000FFFF,  // yellow
      SystemColourCode(kSys3DLight),
      SystemColourCode(kSysScrollBar),
      SystemColourCode(kSysInactiveCaptionText),
      SystemColourCode(kSysWindow),
      SystemColourCode(kSysGradientActiveCaption),
      0x008080FF,  // light red
      0x00008000,  // green
      0x00800000,  // navy
      0x00800080,  // purple
      0x000000FF,  // red
      0x00C0DCC0,  // money green
      0x00FF0000,  // blue
      0x00808080,  // grey
      0x00008080,  // olive
      0x00FF00FF,  // fuchsia
      0x00FFFF00,  // aqua
      0x00F0FBFF,  // cream
      SystemColourCode(kSysHighlight),
  };
  return codes;
}

namespace {

void Paint(QWidget* widget, const QColor& colour, QPalette::ColorRole role) {
  QPalette pal = widget->palette();
  pal.setColor(role, colour);
  widget->setPalette(pal);
  widget->setAutoFillBackground(true);
}

}  // namespace

TFormCor::TFormCor(SettingsStore* settings, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormCor>()), settings_(settings) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  swatches_ = {ui_->Cor1,  ui_->Cor2,  ui_->Cor3,  ui_->Cor4,  ui_->Cor5,  ui_->Cor6,  ui_->Cor7,
               ui_->Cor8,  ui_->Cor9,  ui_->Cor10, ui_->Cor11, ui_->Cor12, ui_->Cor13, ui_->Cor14,
               ui_->Cor15, ui_->Cor16, ui_->Cor17, ui_->Cor18, ui_->Cor19, ui_->Cor20};
  for (int i = 0; i < kNumSwatches; ++i) {
    swatches_[i]->setProperty("colourCode", SwatchCodes()[i]);
    Paint(swatches_[i], ColourFromCode(SwatchCodes()[i]), QPalette::Window);
    swatches_[i]->installEventFilter(this);
  }
  ui_->BOK->installEventFilter(this);
  ui_->BCancelar->installEventFilter(this);
  setSelectedCode(selected_);
  SetDialogKeys(this, ui_->BOK, ui_->BCancelar);
  connect(ui_->BOK, &QPushButton::clicked, this, &TFormCor::BOKClick);
  connect(ui_->BCancelar, &QPushButton::clicked, this, &TFormCor::BCancelarClick);
}

TFormCor::~TFormCor() = default;

void TFormCor::setSelectedCode(ColourCode code) {
  selected_ = code;
  Paint(ui_->EditCor, ColourFromCode(code), QPalette::Base);
  ui_->EditCor->setProperty("colourCode", code);
}

void TFormCor::setMainBackground(const QColor& colour) {
  Paint(this, colour, QPalette::Window);
  Paint(ui_->PanelBotoes, colour, QPalette::Window);
}

bool TFormCor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && MoveSelection(static_cast<QKeyEvent*>(event)->key()))
    return true;
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (int i = 0; i < kNumSwatches; ++i) {
      if (watched == swatches_[i]) {
        setSelectedCode(SwatchCodes()[i]);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TFormCor::MoveSelection(int key) {
  // The arrows walk the grid of swatches, so a colour is chosen without the mouse too.
  constexpr int kColumns = 5;
  int step = 0;
  switch (key) {
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Right:
      step = 1;
      break;
    case Qt::Key_Up:
      step = -kColumns;
      break;
    case Qt::Key_Down:
      step = kColumns;
      break;
    default:
      return false;
  }
  const auto& codes = SwatchCodes();
  const auto at = std::find(codes.begin(), codes.end(), selected_);
  // A colour that is no swatch (set from the main window) starts at the first one.
  const int next = at == codes.end() ? 0
                                     : std::clamp(static_cast<int>(at - codes.begin()) + step, 0,
                                                  kNumSwatches - 1);
  setSelectedCode(codes[static_cast<std::size_t>(next)]);
  return true;
}

void TFormCor::BOKClick() {
  // Failures here go unreported: the colour is applied on screen anyway, and the settings
  // window writes the selection again at its next save.
  // A file that could not be read is left as it is.
  if (settings_ && settings_->Reread().ok()) {
    settings_record record = settings_->record();
    record.background_colour = selected_;
    settings_->Write(record);
  }
  accept();
}

void TFormCor::BCancelarClick() {
  reject();
}

void TFormCor::showEvent(QShowEvent* event) {
  selected_at_open_ = selected_;
  QDialog::showEvent(event);
}

void TFormCor::reject() {
  // Cancelling (button, Escape or close box) keeps the colour that was there, so the settings
  // window does not save the one that was only tried.
  setSelectedCode(selected_at_open_);
  QDialog::reject();
}

}  // namespace truco
