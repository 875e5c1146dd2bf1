// Every secondary window and dialog as a player meets it: what Enter and Escape do, the truco
// dialog's headline, texts that fit their controls (run at 1x and, by CTest, at 2x), and the
// toolkit's own texts in Portuguese.

#include <QCheckBox>
#include <QFileDialog>
#include <QFile>
#include <QDir>
#include <QTreeView>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "store/records_file.h"
#include "store/settings_file.h"
#include "tests/ui/accessible_tree.h"
#include "tests/ui/modal.h"
#include "ui/dialogkeys.h"
#include "ui/formbaralho.h"
#include "ui/formconfig.h"
#include "ui/formcor.h"
#include "ui/formescolha.h"
#include "ui/formfrases.h"
#include "ui/formmanilhas.h"
#include "ui/formrecordes.h"
#include "ui/formregras.h"
#include "ui/formsobre.h"
#include "ui/formtruco.h"
#include "ui/frame_style.h"
#include "ui/messageboxes.h"
#include "ui/tf_aguarde.h"
#include "ui/translation.h"

namespace truco {
namespace {

// Every window in a scratch folder, as the program creates them.
struct Windows {
  QTemporaryDir dir;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<TFormCor> cor;
  std::unique_ptr<TFormConfig> config;
  std::unique_ptr<TFormFrases> frases;
  std::unique_ptr<TFormRecordes> recordes;
  std::unique_ptr<TF_ESCOLHA> escolha;
  std::unique_ptr<TFormManilhas> manilhas;
  std::unique_ptr<TFormSobre> sobre;
  std::unique_ptr<TFormBaralho> baralho;
  std::unique_ptr<TFormRegras> regras;
  std::unique_ptr<net::TF_AGUARDE> aguarde;

  Windows() {
    settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Conf.dll")));
    settings->Write(settings_record{});
    cor = std::make_unique<TFormCor>(settings.get());
    config = std::make_unique<TFormConfig>(settings.get(), cor.get());
    frases = std::make_unique<TFormFrases>(dir.filePath(QStringLiteral("Frases.ini")));
    recordes = std::make_unique<TFormRecordes>(dir.filePath(QStringLiteral("Recordes.qdx")));
    escolha = std::make_unique<TF_ESCOLHA>();
    manilhas = std::make_unique<TFormManilhas>();
    sobre = std::make_unique<TFormSobre>();
    baralho = std::make_unique<TFormBaralho>();
    regras = std::make_unique<TFormRegras>();
    aguarde = std::make_unique<net::TF_AGUARDE>();
  }

  // Those shown without a question first, by caption.
  [[nodiscard]] QList<QDialog*> Plain() const {
    return {cor.get(),      config.get(), frases.get(),  recordes.get(), escolha.get(),
            manilhas.get(), sobre.get(),  baralho.get(), regras.get(),   aguarde.get()};
  }
};

// Closes `modal` when a check inside its handler fails, so the test fails instead of waiting.
auto CloseAtEnd(QWidget* modal) {
  return qScopeGuard([guard = QPointer<QWidget>(modal)] {
    if (guard && guard->isVisible()) qobject_cast<QDialog*>(guard.data())->done(QDialog::Rejected);
  });
}

// Shows `window`, presses `key` where the keyboard focus is, and returns the name of the button
// that the key clicked ("" for none).
QString PressIn(QDialog* window, Qt::Key key) {
  if (!window->isVisible()) window->show();
  if (!QTest::qWaitForWindowActive(window)) return QStringLiteral("<not active>");
  QObject context;
  QString clicked;
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    QObject::connect(button, &QAbstractButton::clicked, &context, [&clicked, button] {
      if (clicked.isEmpty()) clicked = button->objectName();
    });
  }
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target && target->window() == window ? target : window, key);
  return clicked;
}

// The place a push button, radio button or check box has for its text.
QRect TextRoom(QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle::SubElement element = QStyle::SE_PushButtonContents;
  if (qobject_cast<QRadioButton*>(button)) element = QStyle::SE_RadioButtonContents;
  if (qobject_cast<QCheckBox*>(button)) element = QStyle::SE_CheckBoxContents;
  if (auto* push = qobject_cast<QPushButton*>(button)) {
    if (push->isFlat()) option.features |= QStyleOptionButton::Flat;
  }
  return button->style()->subElementRect(element, &option, button);
}

// `button` as its style draws it in the state `extra` (focus, pointer over it, pressed).
QImage Drawn(QPushButton* button, QStyle::State extra) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Sunken);
  option.state |= QStyle::State_Raised | extra;
  QImage image(button->size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  button->style()->drawControl(QStyle::CE_PushButton, &option, &painter, button);
  return image;
}

// Whether `text`, in `font`, fits `room` (line by line, or wrapped when `wrap`).
bool Fits(const QFont& font, const QString& text, const QRect& room, bool wrap) {
  const QFontMetrics metrics(font);
  if (wrap) {
    const QRect needed = metrics.boundingRect(room, Qt::TextWordWrap, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
  }
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    if (metrics.horizontalAdvance(line) > room.width()) return false;
  }
  return static_cast<int>(lines.size()) * metrics.height() - metrics.leading() <= room.height();
}

// Every visible text of `window` that does not fit its control: "name: text (needs / has)".
QStringList ClippedTexts(QWidget* window) {
  QStringList clipped;
  auto report = [&clipped](const QWidget* w, const QString& text, const QRect& room) {
    clipped << QStringLiteral("%1 \"%2\" in %3x%4")
                   .arg(w->objectName(), text)
                   .arg(room.width())
                   .arg(room.height());
  };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window)) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->text().isEmpty() || label->textFormat() == Qt::RichText) continue;
      const int inset = label->margin() + qMax(0, label->indent());
      const QRect room = label->contentsRect().adjusted(inset, inset, -inset, -inset);
      if (!Fits(label->font(), label->text(), room, label->wordWrap()))
        report(label, label->text(), room);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      if (button->text().isEmpty() || qobject_cast<QToolButton*>(button)) continue;
      QString text = button->text();
      text.remove(QLatin1Char('&'));
      const QRect room = TextRoom(button);
      if (!Fits(button->font(), text, room, false)) report(button, text, room);
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      if (box->title().isEmpty()) continue;
      // The title's place starts where the style puts it and ends at the frame's right side;
      // blanks around a title may run out of sight, its letters not.
      QStyleOptionGroupBox option;
      option.initFrom(box);
      option.text = box->title();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      const QRect place =
          box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
      const QRect room(place.left(), place.top(), box->width() - place.left(), place.height());
      const QString title = box->title();
      const QString letters = title.left(title.indexOf(title.trimmed()) + title.trimmed().size());
      if (QFontMetrics(box->font()).horizontalAdvance(letters) > room.width())
        report(box, title, room);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      if (edit->text().isEmpty() || !edit->geometry().intersects(window->rect())) continue;
      QStyleOptionFrame option;
      option.initFrom(edit);
      option.lineWidth = edit->hasFrame() ? 1 : 0;
      const QRect contents =
          edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
      const QMargins margins = edit->textMargins();
      // The edit keeps two pixels of its own on each side of the text.
      const QRect room = contents.marginsRemoved(margins).adjusted(2, 0, -2, 0);
      if (QFontMetrics(edit->font()).horizontalAdvance(edit->text()) > room.width())
        report(edit, edit->text(), room);
    }
  }
  return clipped;
}

// English words the toolkit shows when its translation is missing.
const QRegularExpression& EnglishWords() {
  static const QRegularExpression words(
      QStringLiteral("\\b(Look in|Save|Cancel|Open|File name|Files of type|File|Folder|Name|Size|"
                     "Type|Date Modified|Back|Forward|Parent Directory|Create New Folder|"
                     "List View|Detail View|Undo|Redo|Cut|Copy|Paste|Delete|Select All|Yes|"
                     "Close|Apply|Reset|Help|Discard|Abort|Retry|Ignore|Computer|Recent|"
                     "Insert Unicode control character|Show hidden files|New Folder|Rename|"
                     "Drive|Directory)\\b"));
  return words;
}

// The texts a player can see or hear in `widget` and its children: captions, labels, button
// texts, tool tips, menu entries and column headers.
QStringList VisibleTexts(QWidget* widget) {
  QStringList texts;
  auto add = [&texts](QString text) {
    text.remove(QLatin1Char('&'));
    text = text.section(QLatin1Char('\t'), 0, 0);  // an entry's shortcut is not a word
    if (!text.trimmed().isEmpty()) texts << text;
  };
  add(widget->windowTitle());
  QList<QWidget*> all = widget->findChildren<QWidget*>();
  all.prepend(widget);
  for (QWidget* w : all) {
    if (w != widget && !w->isVisibleTo(widget)) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) add(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(button->text());
    add(w->toolTip());
    add(w->accessibleName());
    for (QAction* action : w->actions()) {
      add(action->text());
      add(action->toolTip());
    }
    // The places a file dialog offers at its side ("Computador"), not the files it lists.
    if (auto* places = qobject_cast<QAbstractItemView*>(w);
        places && places->objectName() == QLatin1String("sidebar") && places->model()) {
      for (int row = 0; row < places->model()->rowCount(); ++row)
        add(places->model()->index(row, 0).data().toString());
    }
    if (auto* header = qobject_cast<QHeaderView*>(w)) {
      if (header->model()) {
        for (int i = 0; i < header->count(); ++i)
          add(header->model()->headerData(i, header->orientation()).toString());
      }
    }
  }
  return texts;
}

QStringList English(const QStringList& texts) {
  QStringList english;
  for (const QString& text : texts) {
    if (EnglishWords().match(text).hasMatch()) english << text;
  }
  return english;
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  // The game's style draws every kind of group box exactly as Fusion does, pixel for pixel.
  void frameStyleDrawsGroupBoxesAsFusion() {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    QVERIFY(fusion);
    FrameStyle frame;
    auto draw = [](QStyle* style, const QString& title, bool checkable) {
      QWidget page;
      page.setStyle(style);
      auto* box = new QGroupBox(title, &page);
      box->setStyle(style);
      box->setCheckable(checkable);
      box->setGeometry(4, 4, 150, 90);
      page.resize(160, 100);
      return page.grab().toImage();
    };
    int compared = 0;
    for (const QString& title : {QString(), QStringLiteral("Tipo de jogo")}) {
      for (const bool checkable : {false, true}) {
        const QImage want = draw(fusion.get(), title, checkable);
        const QImage got = draw(&frame, title, checkable);
        QVERIFY(!want.isNull());
        QVERIFY2(got == want, qPrintable(QStringLiteral("'%1' checkable %2 differs")
                                             .arg(title)
                                             .arg(checkable)));
        ++compared;
      }
    }
    QCOMPARE(compared, 4);
  }

  // At any scale every window opens with its frame inside the screen's free area, and one that
  // is larger than the screen scrolls: its last control can be brought into sight.
  void everyWindowOpensInsideTheScreen() {
    KeepWindowsOnScreen();  // as the table does when the program starts
    Windows windows;
    for (QDialog* window : windows.Plain()) {
      window->move(-300, 5000);
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      const QRect area = window->screen()->availableGeometry();
      QVERIFY2(area.contains(window->frameGeometry()), qPrintable(window->windowTitle()));
      for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (!button->isVisibleTo(window)) continue;
        QScrollArea* scroller = nullptr;
        for (QWidget* up = button->parentWidget(); up && !scroller; up = up->parentWidget()) {
          scroller = qobject_cast<QScrollArea*>(up);
        }
        if (scroller) scroller->ensureWidgetVisible(button);
        QVERIFY2(window->rect().contains(QRect(button->mapTo(window, QPoint()), button->size())),
                 qPrintable(window->windowTitle() + QStringLiteral(": ") + button->text()));
      }
      window->hide();
    }
  }

  // Every control a keyboard reaches in every window has a name a screen reader can say, and no
  // two read alike; the fields carry their labels' words, the colour swatches their colours'.
  void everyWindowNamesItsControls() {
    Windows windows;
    for (QDialog* window : windows.Plain()) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      const QStringList faults = test::AccessibilityFaults(window);
      QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
      window->hide();
    }
    auto name_of = [](QWidget* w) {
      return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    QCOMPARE(name_of(windows.escolha->findChild<QLineEdit*>(QStringLiteral("E_NOME"))),
             QStringLiteral("Seu Nome"));
    QCOMPARE(name_of(windows.escolha->findChild<QLineEdit*>(QStringLiteral("E_IPS"))),
             QStringLiteral("IP Servidor"));
    QCOMPARE(name_of(windows.frases->findChild<QLineEdit*>(QStringLiteral("E_SEIS"))),
             QStringLiteral("Pedir Seis"));
  }

  // "Cores de Fundo" by keyboard alone: Tab reaches the grid, the arrows walk it, Space picks
  // the colour under the keyboard, which a screen reader hears as the checked swatch.
  void colourGridByKeyboard() {
    Windows windows;
    TFormCor* cor = windows.cor.get();
    cor->setSelectedCode(SwatchCodes()[0]);
    cor->show();
    QVERIFY(QTest::qWaitForWindowExposed(cor));
    cor->activateWindow();
    QSet<QString> names;
    for (int i = 0; i < kNumSwatches; ++i) {
      auto* swatch = cor->findChild<QFrame*>(QStringLiteral("Cor%1").arg(i + 1));
      auto* node = QAccessible::queryAccessibleInterface(swatch);
      QCOMPARE(node->role(), QAccessible::RadioButton);
      names.insert(node->text(QAccessible::Name));
    }
    QCOMPARE(names.size(), kNumSwatches);
    QWidget* at = nullptr;
    for (int tab = 0; tab < 4 && !(at && at->objectName().startsWith(QLatin1String("Cor")));
         ++tab) {
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : cor, Qt::Key_Tab);
      at = QApplication::focusWidget();
    }
    QVERIFY2(at && at->objectName() == QLatin1String("Cor1"),
             qPrintable(at ? at->objectName() : "-"));
    QTest::keyClick(at, Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    at = QApplication::focusWidget();
    QCOMPARE(at->objectName(), QStringLiteral("Cor7"));  // second row, second column
    QCOMPARE(cor->selectedCode(), SwatchCodes()[0]);     // walking is not choosing
    QTest::keyClick(at, Qt::Key_Space);
    QCOMPARE(cor->selectedCode(), SwatchCodes()[6]);
    QVERIFY(QAccessible::queryAccessibleInterface(at)->state().checked);
    QVERIFY(!QAccessible::queryAccessibleInterface(cor->findChild<QFrame*>(QStringLiteral("Cor1")))
                 ->state()
                 .checked);
    cor->hide();
  }

  void initTestCase() {
    QVERIFY2(LoadToolkitTranslation(), "the toolkit's pt_BR translation (qt6-translations-l10n)");
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
      QWidget probe;
      QCOMPARE(probe.devicePixelRatio(), 2.0);
    }
  }
  void cleanup() {
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
  }

  // Enter presses the button a player expects, Escape the one that leaves without a change;
  // in the settings window, which has no close box, Escape does nothing.
  void enterAndEscapeInEveryWindow() {
    struct Case {
      QString name;
      std::function<QDialog*(Windows&)> window;
      QString enter;   // button clicked by Enter
      QString escape;  // button clicked by Escape; empty: none, and the window stays
    };
    const QList<Case> cases = {
        {"Configurações", [](Windows& w) { return w.config.get(); }, "SpeedButton1", ""},
        {"FormCor", [](Windows& w) { return w.cor.get(); }, "BOK", "BCancelar"},
        {"Frases do jogo", [](Windows& w) { return w.frases.get(); }, "B_Grava", "B_Fecha"},
        {"Recordes", [](Windows& w) { return w.recordes.get(); }, "BFechar", "BFechar"},
        {"Manilhas da Rodada", [](Windows& w) { return w.manilhas.get(); }, "BFechar", "BFechar"},
        {"Sobre", [](Windows& w) { return w.sobre.get(); }, "BFechar", "BFechar"},
        {"Tipos de Baralhos", [](Windows& w) { return w.baralho.get(); }, "BFechar", "BFechar"},
        {"Regras do Jogo", [](Windows& w) { return w.regras.get(); }, "BFechar", "BFechar"},
        {"Aguarde", [](Windows& w) { return w.aguarde.get(); }, "BCancela", "BCancela"},
    };
    Windows windows;
    for (const Case& c : cases) {
      QDialog* window = c.window(windows);
      QCOMPARE(PressIn(window, Qt::Key_Return), c.enter);
      QVERIFY2(!window->isVisible(), qPrintable(c.name));
      QCOMPARE(PressIn(window, Qt::Key_Enter), c.enter);
      QVERIFY2(!window->isVisible(), qPrintable(c.name));
      QCOMPARE(PressIn(window, Qt::Key_Escape), c.escape);
      QCOMPARE(window->isVisible(), c.escape.isEmpty());
      QCOMPARE(EscapeButton(window) ? EscapeButton(window)->objectName() : QString(), c.escape);
      window->hide();
    }
  }

  // A button with the focus answers Enter itself: Tab in the settings window reaches the help
  // button, and Enter there asks for help instead of saving.
  void enterPressesTheFocusedButton() {
    Windows windows;
    QSignalSpy help(windows.config.get(), &TFormConfig::helpRequested);
    windows.config->show();
    QVERIFY(QTest::qWaitForWindowActive(windows.config.get()));
    auto* help_button = windows.config->findChild<QPushButton*>(QStringLiteral("BHelp"));
    help_button->setFocus(Qt::TabFocusReason);
    QCOMPARE(PressIn(windows.config.get(), Qt::Key_Return), QStringLiteral("BHelp"));
    QCOMPARE(help.count(), 1);
    QVERIFY(windows.config->isVisible());
    // Back on an option, Enter saves again.
    windows.config->findChild<QWidget*>(QStringLiteral("RadioNova"))->setFocus();
    QCOMPARE(PressIn(windows.config.get(), Qt::Key_Return), QStringLiteral("SpeedButton1"));
  }

  // The game-kind dialog opens with the focus in the name, so typing goes there at once, and
  // Enter then confirms; at the next opening the name is offered again.
  void gameKindDialogTypesIntoTheName() {
    TF_ESCOLHA escolha;
    GameKindChoice choice;
    testing::OnNextModal([](QWidget* modal) {
      const auto closer = CloseAtEnd(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      auto* name = modal->findChild<QLineEdit*>(QStringLiteral("E_NOME"));
      QCOMPARE(QApplication::focusWidget(), name);
      QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ana"));
      QCOMPARE(name->text(), QStringLiteral("ANA"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    choice = escolha.Escolha();
    QVERIFY(choice.ok);
    QCOMPARE(choice.name, std::string("ANA"));

    testing::OnNextModal([](QWidget* modal) {
      const auto closer = CloseAtEnd(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      auto* name = modal->findChild<QLineEdit*>(QStringLiteral("E_NOME"));
      QCOMPARE(QApplication::focusWidget(), name);
      // The name is offered again, selected: Enter keeps it, typing replaces it.
      QCOMPARE(name->selectedText(), QStringLiteral("ANA"));
      QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    choice = escolha.Escolha();
    QVERIFY(!choice.ok);
    QCOMPARE(QString::fromStdString(choice.name), QStringLiteral("X"));
  }

  // The truco dialog: focus on "Aceitar", Enter answers with the focused button, Tab moves to
  // the raise, Escape and the close request change nothing.
  void trucoDialogByKeyboard() {
    TFormTruco dialog;
    TrucoDialogRequest request;
    request.phrase = "TRUCO MARRECO!!!";
    request.raise_offered = true;
    request.raise_caption = "Pedir 6";

    testing::OnNextModal([](QWidget* modal) {
      const auto closer = CloseAtEnd(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("B_ACEITA"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      QVERIFY(modal->isVisible());
      modal->close();
      QVERIFY(modal->isVisible());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(dialog.Ask(request), kAnswerAccept);

    testing::OnNextModal([](QWidget* modal) {
      const auto closer = CloseAtEnd(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("B_AUMENTA"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    });
    QCOMPARE(dialog.Ask(request), kAnswerRaise);

    // "Doze" offers no raise: Tab goes from "Aceitar" straight to "Correr", Space presses it.
    request.raise_offered = false;
    request.raise_caption.clear();
    testing::OnNextModal([](QWidget* modal) {
      const auto closer = CloseAtEnd(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("B_FOGE"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    QCOMPARE(dialog.Ask(request), kAnswerRun);
  }

  // The buttons of the truco dialog and of the phrases window are framed buttons that mark the
  // focus and the pointer, not plain bold words.
  void boldButtonsLookLikeButtons() {
    TFormTruco truco;
    Windows windows;
    QList<QPushButton*> buttons = truco.findChildren<QPushButton*>();
    buttons << windows.frases->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 5);
    for (QPushButton* button : buttons) {
      QVERIFY2(!button->isFlat(), qPrintable(button->objectName()));
      QVERIFY(button->font().bold());
      QVERIFY(button->focusPolicy() & Qt::TabFocus);
      QVERIFY(button->testAttribute(Qt::WA_Hover));
    }
    // Drawn with the focus, or with the pointer over it, a button looks different from plain.
    for (QPushButton* button : buttons) {
      const QImage plain = Drawn(button, {});
      QVERIFY2(plain != Drawn(button, QStyle::State_HasFocus), qPrintable(button->objectName()));
      QVERIFY2(plain != Drawn(button, QStyle::State_MouseOver), qPrintable(button->objectName()));
      QVERIFY2(plain != Drawn(button, QStyle::State_Sunken), qPrintable(button->objectName()));
    }
  }

  // The longest taunt the phrases window takes shows whole in the headline, whatever its
  // letters; a short one keeps the large type.
  void trucoHeadlineShowsTheWholePhrase() {
    const QStringList phrases = {QStringLiteral("TRUCO NA MESA, SEU MARRECO SEM"),
                                 QString(30, QLatin1Char('W')),
                                 QString(30, QLatin1Char('M')),
                                 QStringLiteral("EU GRITO DOZE MARRECO!!!"),
                                 QStringLiteral("WWWWWWWWWWWWWW WWWWWWWWWWWWWWW"),
                                 QStringLiteral("EU GRITO TRUCO!!!"),
                                 QString()};
    TFormTruco dialog;
    for (const QString& phrase : phrases) {
      TrucoDialogRequest request;
      request.phrase = phrase.toStdString();
      request.raise_offered = true;
      request.raise_caption = "Pedir 12";
      testing::OnNextModal([phrase](QWidget* modal) {
        const auto closer = CloseAtEnd(modal);
        QVERIFY(QTest::qWaitForWindowActive(modal));
        QCOMPARE(modal->windowTitle(), QStringLiteral("O que deseja fazer?"));
        // As designed, unless the screen is too narrow for it with its frame (then it scrolls).
        const QSize designed(457, 98);
        const QRect area = modal->screen()->availableGeometry();
        if (area.width() >= designed.width() + 8) {
          QCOMPARE(modal->size(), designed);
        } else {
          QVERIFY(area.contains(modal->frameGeometry()));
        }
        auto* headline = modal->findChild<QLabel*>(QStringLiteral("L_FALA"));
        QCOMPARE(headline->text(), phrase);
        const QRect room = headline->contentsRect();
        const QRect needed = QFontMetrics(headline->font())
                                 .boundingRect(room,
                                               headline->alignment() | Qt::TextWordWrap |
                                                   (headline->wordWrap() ? 0 : Qt::TextSingleLine),
                                               phrase);
        QVERIFY2(room.contains(needed) || phrase.isEmpty(), qPrintable(phrase));
        QVERIFY2(ClippedTexts(modal).isEmpty(), qPrintable(ClippedTexts(modal).join('\n')));
        // Above the buttons, inside the dialog.
        auto* accept = modal->findChild<QPushButton*>(QStringLiteral("B_ACEITA"));
        QVERIFY(headline->geometry().bottom() < accept->y());
        QVERIFY(modal->rect().contains(headline->geometry()));
        if (phrase.size() <= 17) QCOMPARE(headline->font().pixelSize(), 24);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      });
      QCOMPARE(dialog.Ask(request), kAnswerAccept);
    }
  }

  // No text of any secondary window is cut by its control, at this run's scale (CTest runs the
  // suite at 1x and 2x), with the longest contents each may get.
  void noTextIsClipped() {
    Windows windows;
    // The longest name a record may hold, three-digit numbers, the longest phrases.
    RecordsTable table = ClearedRecordsTable();
    for (auto& row : table) {
      row.set_name(QStringLiteral("MMMMMMMMMMM"));
      row.wins = 123;
      row.losses = 456;
      row.balance = -333;
    }
    QVERIFY(WriteRecordsFile(windows.dir.filePath(QStringLiteral("Recordes.qdx")), table).ok());
    for (auto* field : windows.frases->findChildren<QLineEdit*>()) {
      if (field->isEnabled()) field->setText(QStringLiteral("TRUCO NA MESA, SEU MARRECO SEM"));
    }
    auto* name = windows.escolha->findChild<QLineEdit*>(QStringLiteral("E_NOME"));
    name->setText(QStringLiteral("MMMMMMMMMMM"));

    QStringList clipped;
    for (QDialog* window : windows.Plain()) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      for (const QString& line : ClippedTexts(window))
        clipped << window->windowTitle() + QStringLiteral(": ") + line;
      window->hide();
    }
    // Every text of the waiting dialog.
    for (const char* text : {net::kTextWaitingHost, net::kTextWaitingGuest, net::kTextHostConnected,
                             net::kTextConnectionLost}) {
      testing::OnNextModal([&clipped, text](QWidget* modal) {
        for (const QString& line : ClippedTexts(modal))
          clipped << QString::fromUtf8(text) + QStringLiteral(": ") + line;
        qobject_cast<QDialog*>(modal)->reject();
      });
      windows.aguarde->MOSTRA_AGUARDE(QString::fromUtf8(text));
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
  }

  // The shared boxes: their own caption and buttons, also with the toolkit's translation in.
  void messageBoxesKeepTheirFixedTexts() {
    testing::ModalScript script;
    QStringList buttons;
    auto note = [&buttons](QWidget* box) {
      for (auto* b : box->findChildren<QAbstractButton*>()) buttons << b->text();
    };
    script.Answer(QStringLiteral("No"), note);
    QVERIFY(!Confirma({QStringLiteral("Tem Certeza que deseja limpar os recordes")}));
    script.Answer(QStringLiteral("OK"), note);
    QVERIFY(MOSTRA_MENSAGEM(QStringLiteral("Eu Ganhei 3 Tento(s)"), kMostraInformacao));
    script.Answer(QStringLiteral("Yes"), note);
    QVERIFY(MOSTRA_MENSAGEM(QStringLiteral("Deseja reiniciar a partida?"), kMostraPergunta));
    QCOMPARE(buttons, (QStringList{"&Yes", "&No", "OK", "&Yes", "&No"}));
    QCOMPARE(script.seen().at(0).title, QStringLiteral("Atenção ..."));
    QCOMPARE(script.seen().at(1).title, QStringLiteral("Information"));
    QCOMPARE(script.unexpected(), 0);
  }

  // A box opened from a window belongs to it: a window manager keeps it above that window and
  // never minimises it alone.
  void boxesAndDialogsBelongToTheirWindow() {
    QWidget main;
    main.setObjectName(QStringLiteral("main"));
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    SetMessageBoxOwner(&main);
    QWindow* owner = nullptr;
    testing::OnNextModal([&owner](QWidget* box) {
      owner = box->windowHandle()->transientParent();
      qobject_cast<QDialog*>(box)->reject();
    });
    Mensagem({QStringLiteral("Arquivo")}, kMensagemAtencao);
    QCOMPARE(owner, main.windowHandle());

    // Over a modal window, the box belongs to that window.
    Windows windows;
    QWindow* box_owner = nullptr;
    QWindow* settings_window = nullptr;
    testing::OnNextModal([&](QWidget* config) {
      settings_window = config->windowHandle();
      testing::OnNextModal([&](QWidget* box) {
        box_owner = box->windowHandle()->transientParent();
        qobject_cast<QDialog*>(box)->reject();
      });
      Mensagem({QStringLiteral("Arquivo")}, kMensagemAtencao);
      qobject_cast<QDialog*>(config)
          ->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))
          ->click();
    });
    windows.config->exec();
    QVERIFY(settings_window);
    QCOMPARE(box_owner, settings_window);

    // Dialogs created without a parent attach themselves when they open.
    TFormTruco truco;
    QWindow* truco_owner = nullptr;
    testing::OnNextModal([&truco_owner](QWidget* dialog) {
      const auto closer = CloseAtEnd(dialog);
      QVERIFY(QTest::qWaitForWindowActive(dialog));
      truco_owner = dialog->windowHandle()->transientParent();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    truco.Ask(TrucoDialogRequest{});
    QCOMPARE(truco_owner, main.windowHandle());
    SetMessageBoxOwner(nullptr);
    main.hide();
  }

  // With the translation in, the toolkit's own texts are Portuguese: the edit menus of a field
  // and of the rules box, the standard buttons, and the dialog that saves the rules as PDF.
  void toolkitTextsArePortuguese() {
    // The menus belong to their fields, which delete them.
    QLineEdit field;
    QStringList texts = VisibleTexts(field.createStandardContextMenu());
    QVERIFY(texts.size() >= 6);
    QVERIFY2(English(texts).isEmpty(), qPrintable(English(texts).join(" | ")));
    QVERIFY(texts.join(' ').contains(QStringLiteral("Copiar")));

    QTextEdit box;
    texts = VisibleTexts(box.createStandardContextMenu());
    QVERIFY2(English(texts).isEmpty(), qPrintable(English(texts).join(" | ")));

    QMessageBox standard(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Save |
                             QMessageBox::Cancel | QMessageBox::Close | QMessageBox::Open);
    texts = VisibleTexts(&standard);
    QVERIFY2(English(texts).isEmpty(), qPrintable(English(texts).join(" | ")));

    // The PDF dialog, reached as the player reaches it: "Imprimir" without a printer.
    TFormRegras regras;
    regras.show();
    QStringList dialog_texts;
    bool file_dialog_seen = false;
    auto inspect = [&](QWidget* dialog) {
      file_dialog_seen = qobject_cast<QFileDialog*>(dialog) != nullptr;
      dialog_texts = VisibleTexts(dialog);
      qobject_cast<QDialog*>(dialog)->reject();
    };
    if (QPrinterInfo::defaultPrinter().isNull()) {
      testing::ModalScript script;
      script.Answer(QStringLiteral("Salvar PDF"));
      script.Answer(QString(), inspect);
      regras.findChild<QPushButton*>(QStringLiteral("BImprimir"))->click();
      QCOMPARE(script.pending(), std::size_t{0});
    } else {
      testing::OnNextModal(inspect);
      QFileDialog::getSaveFileName(&regras, QStringLiteral("Salvar as regras em PDF"), QString(),
                                   QStringLiteral("Documento PDF (*.pdf)"), nullptr,
                                   QFileDialog::DontUseNativeDialog);
    }
    regras.hide();
    QVERIFY(file_dialog_seen);
    QVERIFY(dialog_texts.size() >= 8);
    QVERIFY(dialog_texts.contains(QStringLiteral("Cancelar")));
    QVERIFY(dialog_texts.contains(QStringLiteral("Computador")));
    QVERIFY2(English(dialog_texts).isEmpty(), qPrintable(English(dialog_texts).join(" | ")));
  }

  // The file list of a save dialog speaks Portuguese whatever the system locale (this test runs
  // under LC_ALL=C): a folder's type is "Pasta", a date has no English month or AM/PM.
  void fileListIsPortuguese() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("partidas")));
    QFile csv(dir.filePath(QStringLiteral("historico.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.close();
    QStringList cells;
    bool listed = false;  // the folder is read in a thread of its own
    testing::OnNextModal([&](QWidget* dialog) {
      auto* view = dialog->findChild<QTreeView*>();
      if (view) {
        listed = QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 2; }, 5000);
        const QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
          for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
            cells << model->index(row, column, view->rootIndex()).data().toString();
        }
      }
      qobject_cast<QDialog*>(dialog)->reject();
    });
    QCOMPARE(AskFileToSave(nullptr, QStringLiteral("Exportar o histórico"),
                           dir.filePath(QStringLiteral("novo.csv")), QStringLiteral("CSV (*.csv)")),
             QString());
    QVERIFY(listed);
    QVERIFY2(cells.contains(QStringLiteral("partidas")), qPrintable(cells.join(" | ")));
    QVERIFY2(cells.contains(QStringLiteral("Pasta")), qPrintable(cells.join(" | ")));
    const QRegularExpression english(
        QStringLiteral("\\b(Folder|Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec|AM|PM)\\b"));
    for (const QString& cell : cells) QVERIFY2(!cell.contains(english), qPrintable(cell));
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestDialogs)
#include "test_dialogs.moc"
