#include "ui/formcor.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
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

// The swatches' colours as a player names them, in the order of SwatchCodes().
constexpr std::array<const char*, kNumSwatches> kSwatchNames = {
    "Verde-limão",    "Amarelo",        "Cinza muito claro",
    "Cinza-claro",    "Cinza-ardósia",  "Branco",
    "Azul-claro",     "Vermelho-claro", "Verde",
    "Azul-marinho",   "Roxo",           "Vermelho",
    "Verde-dinheiro", "Azul",           "Cinza",
    "Oliva",          "Fúcsia",         "Ciano",
    "Creme",          "Azul-médio",
};

// A swatch is, to a screen reader, one of a group of radio buttons: named by its colour, checked
// when it is the selection, chosen by its press action.
class SwatchAccessible : public QAccessibleWidget {
 public:
  explicit SwatchAccessible(QWidget* swatch)
      : QAccessibleWidget(swatch, QAccessible::RadioButton) {}

  [[nodiscard]] TFormCor* form() const { return qobject_cast<TFormCor*>(widget()->window()); }
  [[nodiscard]] ColourCode code() const {
    return widget()->property("colourCode").value<ColourCode>();
  }
  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = form() && form()->selectedCode() == code();
    return s;
  }
  [[nodiscard]] QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name != pressAction() || !form()) return;
    QPointer<QWidget> w = widget();
    QMetaObject::invokeMethod(
        w,
        [w] {
          if (auto* f = w ? qobject_cast<TFormCor*>(w->window()) : nullptr) {
            f->setSelectedCode(w->property("colourCode").value<ColourCode>());
          }
        },
        Qt::QueuedConnection);
  }
  [[nodiscard]] QStringList keyBindingsForAction(const QString& name) const override {
    return name == pressAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
  }
};

QAccessibleInterface* SwatchAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("QFrame") && object && object->isWidgetType() &&
      object->property("swatchIndex").isValid()) {
    return new SwatchAccessible(static_cast<QWidget*>(object));
  }
  return nullptr;
}

void ShowFocus(QFrame* swatch, bool focused) {
  // A thick frame over the colour itself marks the keyboard's swatch: black on a light colour,
  // white on a dark one, so it shows on every swatch (the highlight colour is one of them).
  swatch->setFrameStyle(focused ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
  swatch->setLineWidth(focused ? 3 : 1);
  QPalette pal = swatch->palette();
  pal.setColor(QPalette::WindowText,
               pal.color(QPalette::Window).lightness() > 140 ? Qt::black : Qt::white);
  swatch->setPalette(pal);
}

}  // namespace

QString SwatchName(int index) {
  return index >= 0 && index < kNumSwatches
             ? QString::fromUtf8(kSwatchNames[static_cast<std::size_t>(index)])
             : QString();
}

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
  static const bool factory_installed = [] {
    QAccessible::installFactory(SwatchAccessibleFactory);
    return true;
  }();
  (void)factory_installed;
  // The swatches are one stop of Tab (the selected one, or the first); the arrows move the
  // keyboard through the grid and Space or Enter choose the colour under it.
  for (int i = 0; i < kNumSwatches; ++i) {
    QFrame* swatch = swatches_[static_cast<std::size_t>(i)];
    swatch->setProperty("swatchIndex", i);
    swatch->setAccessibleName(SwatchName(i));
    ShowFocus(swatch, false);
  }
  SetKeyboardSwatch(0);
  QWidget::setTabOrder(ui_->BOK, ui_->BCancelar);
  ui_->BOK->setFocus();  // the window opens on "OK", as before the grid took the keyboard
  setSelectedCode(selected_);
  SetDialogKeys(this, ui_->BOK, ui_->BCancelar);
  connect(ui_->BOK, &QPushButton::clicked, this, &TFormCor::BOKClick);
  connect(ui_->BCancelar, &QPushButton::clicked, this, &TFormCor::BCancelarClick);
}

TFormCor::~TFormCor() = default;

void TFormCor::setSelectedCode(ColourCode code) {
  const ColourCode was = selected_;
  selected_ = code;
  const auto& codes = SwatchCodes();
  const auto at = std::find(codes.begin(), codes.end(), code);
  if (at != codes.end() && swatches_[0] != nullptr) {
    // The keyboard enters the grid at the chosen colour, unless it is in the grid already.
    bool in_grid = false;
    for (QFrame* f : swatches_) in_grid = in_grid || f->hasFocus();
    if (!in_grid) SetKeyboardSwatch(static_cast<int>(at - codes.begin()));
  }
  if (swatches_[0] != nullptr) {
    for (QFrame* f : swatches_) {
      const ColourCode c = f->property("colourCode").value<ColourCode>();
      if (c != was && c != code) continue;
      QAccessible::State changed;
      changed.checked = true;
      QAccessibleStateChangeEvent event(f, changed);
      QAccessible::updateAccessibility(&event);
    }
  }
  Paint(ui_->EditCor, ColourFromCode(code), QPalette::Base);
  ui_->EditCor->setProperty("colourCode", code);
}

void TFormCor::setMainBackground(const QColor& colour) {
  Paint(this, colour, QPalette::Window);
  Paint(ui_->PanelBotoes, colour, QPalette::Window);
}

int TFormCor::SwatchIndexOf(const QObject* watched) const {
  for (int i = 0; i < kNumSwatches; ++i) {
    if (watched == swatches_[static_cast<std::size_t>(i)]) return i;
  }
  return -1;
}

void TFormCor::SetKeyboardSwatch(int index) {
  // Only one swatch is in the Tab chain: the one the keyboard would land on.
  for (int i = 0; i < kNumSwatches; ++i) {
    swatches_[static_cast<std::size_t>(i)]->setFocusPolicy(i == index ? Qt::StrongFocus
                                                                      : Qt::NoFocus);
  }
  QWidget::setTabOrder(swatches_[static_cast<std::size_t>(index)], ui_->BOK);
}

bool TFormCor::eventFilter(QObject* watched, QEvent* event) {
  const int swatch = SwatchIndexOf(watched);
  if (swatch >= 0 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    ShowFocus(swatches_[static_cast<std::size_t>(swatch)], event->type() == QEvent::FocusIn);
  }
  if (swatch >= 0 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    constexpr int kColumns = 5;
    int to = -1;
    switch (key) {
      case Qt::Key_Space:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        setSelectedCode(SwatchCodes()[static_cast<std::size_t>(swatch)]);
        return true;
      case Qt::Key_Left:
        to = swatch - 1;
        break;
      case Qt::Key_Right:
        to = swatch + 1;
        break;
      case Qt::Key_Up:
        to = swatch - kColumns;
        break;
      case Qt::Key_Down:
        to = swatch + kColumns;
        break;
      default:
        break;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
      to = std::clamp(to, 0, kNumSwatches - 1);
      SetKeyboardSwatch(to);
      swatches_[static_cast<std::size_t>(to)]->setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
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
