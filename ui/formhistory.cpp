#include "ui/formhistory.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <chrono>
#include <fstream>

#include <sqlite3.h>

#include "store/history_csv.h"
#include "store/history_replay.h"
#include "ui/file_messages.h"
#include "ui/history_charts.h"
#include "ui/messageboxes.h"
#include "ui/translation.h"

namespace truco {

using namespace history;

namespace {

// "4 – 44" in the cell; the whole words for a screen reader.
QTableWidgetItem* WinLossItem(const WinLoss& w) {
  auto* item = new QTableWidgetItem(QStringLiteral("%1 – %2").arg(w.won).arg(w.lost));
  item->setData(Qt::AccessibleTextRole,
                QStringLiteral("%1 ganhas, %2 perdidas").arg(w.won).arg(w.lost));
  item->setTextAlignment(Qt::AlignCenter);
  return item;
}

QTableWidget* NewTable(const QStringList& headers, const QString& name) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()));
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setAccessibleName(name);
  table->setFocusPolicy(Qt::StrongFocus);
  return table;
}

// A history that is busy or out of room is read as nothing; the window says why instead, and what
// happens to this run's hands, so an empty list is never taken for a lost history.
QLabel* NewUnreadableNotice() {
  auto* notice = new QLabel;
  notice->setWordWrap(true);
  notice->hide();
  return notice;
}

void ShowUnreadable(QLabel* notice, const HistoryDb& db) {
  if (db.is_open()) {
    notice->hide();
    return;
  }
  QString text = db.keeps_hands()
                     ? QStringLiteral("O histórico não pode ser lido agora: o arquivo está em uso "
                                      "por outro programa ou o disco está cheio.")
                     : QStringLiteral("O histórico não está disponível nesta execução.");
  const std::size_t waiting = db.pending();
  if (db.keeps_hands() && waiting > 0) {
    text += waiting == 1 ? QStringLiteral(" 1 mão desta execução espera na memória e será gravada "
                                          "assim que for possível.")
                         : QStringLiteral(" %1 mãos desta execução esperam na memória e serão "
                                          "gravadas assim que for possível.")
                               .arg(waiting);
  }
  notice->setText(text);
  notice->setAccessibleName(text);
  notice->show();
}

void SetRows(QTableWidget* table, const std::vector<QStringList>& rows) {
  table->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < rows[static_cast<std::size_t>(r)].size(); ++c) {
      table->setItem(r, c, new QTableWidgetItem(rows[static_cast<std::size_t>(r)][c]));
    }
  }
}

// A bar chart of named values, one set per series.
QWidget* BarChart(const QString& title, const QStringList& categories,
                  const std::vector<std::pair<QString, std::vector<int>>>& sets) {
  return charts::MakeBarChart({title, categories, sets});
}

std::int64_t SystemNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

QString OpponentText(const OpponentFilter& f) {
  const QString who = QString::fromStdString(f.who);
  if (!f.kind) return QStringLiteral("Todos");
  if (*f.kind == OpponentKind::Computer) {
    return who.isEmpty() ? QStringLiteral("Computador (todos os níveis)")
                         : QStringLiteral("Computador: %1").arg(who);
  }
  return who.isEmpty() ? QStringLiteral("Em rede (todos)") : QStringLiteral("Em rede: %1").arg(who);
}

}  // namespace

namespace {

// Why the history could not be opened or written, after "...: ".
QString HistoryFaultReason(int sqlite_code, int error) {
  switch (sqlite_code & 0xff) {
    case SQLITE_FULL:
      return ErrnoReason(ENOSPC);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return QStringLiteral("ele está em uso por outro programa");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return QStringLiteral("ele está danificado");
    case SQLITE_CANTOPEN:
      return error ? ErrnoReason(error) : QStringLiteral("ele não pôde ser aberto");
    case SQLITE_IOERR:
      return error ? ErrnoReason(error) : QStringLiteral("erro de leitura ou gravação no disco");
    default:
      return error ? ErrnoReason(error)
                   : QStringLiteral("erro do banco de dados (%1)").arg(sqlite_code);
  }
}

// What becomes of the hands that wait in memory: written once the file takes them, which only
// a running game can do.
QString WaitingHandsLine(const QString& where) {
  return QStringLiteral(
             "O jogo segue; as mãos ficam na memória (até %1) e serão gravadas%2 assim que "
             "for possível, se o jogo ainda estiver aberto. As que ainda esperarem quando o jogo "
             "for fechado se perdem.")
      .arg(static_cast<int>(HistoryDb::kMaxPending))
      .arg(where);
}

}  // namespace

void ReportHistoryOpen(const OpenOutcome& outcome, const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const QString aside = QFileInfo(QString::fromStdString(outcome.set_aside)).fileName();
  QString why;
  switch (outcome.reason) {
    case SetAsideReason::Unopenable:
      why = outcome.error
                ? QStringLiteral("não pôde ser aberto (%1)").arg(ErrnoReason(outcome.error))
                : QStringLiteral("não pôde ser aberto");
      break;
    case SetAsideReason::Damaged:
      why = QStringLiteral("está danificado");
      break;
    case SetAsideReason::Newer:
      why = QStringLiteral("foi gravado por uma versão mais nova do jogo");
      break;
    case SetAsideReason::None:
      break;
  }
  if (outcome.state == OpenState::SetAside) {
    Mensagem({QStringLiteral("O histórico \"%1\" %2.").arg(name, why),
              QStringLiteral("Ele foi guardado, sem alteração, como \"%1\", e um histórico novo "
                             "foi começado.")
                  .arg(aside)},
             kMensagemAtencao);
  } else if (outcome.state == OpenState::Waiting) {
    const QString reason = HistoryFaultReason(outcome.sqlite_code, outcome.error);
    if (!outcome.set_aside.empty()) {
      Mensagem({QStringLiteral("O histórico \"%1\" %2; ele foi guardado, sem alteração, como "
                               "\"%3\", mas um novo não pôde ser começado agora: %4.")
                    .arg(name, why, aside, reason),
                WaitingHandsLine(QStringLiteral(" num histórico novo"))},
               kMensagemAtencao);
    } else {
      Mensagem({QStringLiteral("O histórico \"%1\" não pôde ser aberto agora: %2. Ele ficou "
                               "como estava.")
                    .arg(name, reason),
                WaitingHandsLine(QStringLiteral(" nele"))},
               kMensagemAtencao);
    }
  } else if (outcome.state == OpenState::Failed) {
    QStringList lines;
    if (!why.isEmpty() && !outcome.set_aside.empty()) {
      lines << QStringLiteral(
                   "O histórico \"%1\" %2; ele foi guardado como \"%3\", mas não foi "
                   "possível começar um novo.")
                   .arg(name, why, aside);
    } else {
      lines << QStringLiteral("Não foi possível abrir nem criar o histórico \"%1\"%2.")
                   .arg(name, outcome.error ? QStringLiteral(": ") + ErrnoReason(outcome.error)
                                            : QString());
    }
    lines << QStringLiteral("O jogo segue, mas as mãos desta vez não serão guardadas.");
    Mensagem(lines, kMensagemErro);
  }
}

void ReportHistoryWrite(int sqlite_code, int error) {
  const int primary = sqlite_code & 0xff;
  QString after;
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
    // The history stops taking hands for this run; the next start sets the file aside.
    after = QStringLiteral(
        "As mãos desta vez não serão guardadas. Na próxima vez que o jogo começar, o histórico "
        "será guardado à parte, sem alteração, e um novo será começado.");
  } else {
    after = WaitingHandsLine(QString()) + QStringLiteral(" Este aviso não se repete.");
  }
  Mensagem({QStringLiteral("Não foi possível gravar a mão no histórico: %1.")
                .arg(HistoryFaultReason(sqlite_code, error)),
            after},
           kMensagemErro);
}

// ---------------------------------------------------------------------------------------------

TFormEstatisticas::TFormEstatisticas(const HistoryDb& db, QWidget* parent, Clock clock)
    : QDialog(parent), db_(db), clock_(clock ? std::move(clock) : Clock(SystemNow)) {
  setObjectName(QStringLiteral("FormEstatisticas"));
  setWindowTitle(QStringLiteral("Estatísticas"));
  auto* layout = new QVBoxLayout(this);

  auto* filters = new QHBoxLayout;
  opponent_ = new QComboBox;
  opponent_->setAccessibleName(QStringLiteral("Adversário"));
  period_ = new QComboBox;
  period_->setAccessibleName(QStringLiteral("Período"));
  period_->addItems({QStringLiteral("Sempre"), QStringLiteral("Últimos 30 dias"),
                     QStringLiteral("Últimas 100 partidas")});
  auto* opponent_label = new QLabel(QStringLiteral("&Adversário:"));
  opponent_label->setBuddy(opponent_);
  auto* period_label = new QLabel(QStringLiteral("&Período:"));
  period_label->setBuddy(period_);
  filters->addWidget(opponent_label);
  filters->addWidget(opponent_, 1);
  filters->addWidget(period_label);
  filters->addWidget(period_, 1);
  layout->addLayout(filters);

  layout->addWidget(new QLabel(QStringLiteral("Ganhas – perdidas, por adversário:")));
  summary_ = NewTable({QStringLiteral("Adversário"), QStringLiteral("Partidas\nsempre"),
                       QStringLiteral("Partidas\n30 dias"), QStringLiteral("Partidas\núltimas 100"),
                       QStringLiteral("Mãos\nsempre"), QStringLiteral("Mãos\n30 dias"),
                       QStringLiteral("Mãos\núltimas 100")},
                      QStringLiteral("Partidas e mãos ganhas e perdidas por adversário"));
  summary_->setMaximumHeight(130);
  layout->addWidget(summary_);

  empty_ = new QLabel(QStringLiteral("Nenhuma mão foi jogada ainda."));
  layout->addWidget(empty_);
  unreadable_ = NewUnreadableNotice();
  layout->addWidget(unreadable_);
  tabs_ = new QTabWidget;
  tabs_->setAccessibleName(QStringLiteral("Gráficos"));
  layout->addWidget(tabs_, 1);

  auto* buttons = new QDialogButtonBox;
  QPushButton* export_button =
      buttons->addButton(QStringLiteral("E&xportar CSV..."), QDialogButtonBox::ActionRole);
  QPushButton* close = buttons->addButton(QStringLiteral("&Fechar"), QDialogButtonBox::RejectRole);
  connect(export_button, &QPushButton::clicked, this, &TFormEstatisticas::ExportCsv);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(opponent_, &QComboBox::currentIndexChanged, this, [this] { ShowStats(); });
  connect(period_, &QComboBox::currentIndexChanged, this, [this] { ShowStats(); });
  resize(980, 720);
}

void TFormEstatisticas::Reload() {
  QSignalBlocker block(opponent_);
  const int chosen = opponent_->currentIndex();
  opponents_.clear();
  opponents_.push_back({});
  opponents_.push_back({OpponentKind::Computer, ""});
  opponents_.push_back({OpponentKind::Network, ""});
  for (const OpponentFilter& f : Opponents(db_)) opponents_.push_back(f);
  opponent_->clear();
  for (const OpponentFilter& f : opponents_) opponent_->addItem(OpponentText(f));
  opponent_->setCurrentIndex(std::max(0, std::min(chosen, opponent_->count() - 1)));
  ShowStats();
}

QWidget* TFormEstatisticas::ChartPage(const QString& title, QWidget* chart, QTableWidget* table) {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  row->addWidget(chart, 3);
  table->setAccessibleName(title);
  row->addWidget(table, 2);
  // A chart is a picture to a screen reader: its description points to the table beside it and
  // says the table's numbers, row by row.
  QStringList rows;
  for (int r = 0; r < table->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c) {
      const QTableWidgetItem* header = table->horizontalHeaderItem(c);
      const QTableWidgetItem* cell = table->item(r, c);
      if (!cell) continue;
      cells << (header ? header->text() + QLatin1Char(' ') : QString()) + cell->text();
    }
    rows << cells.join(QStringLiteral(", "));
  }
  chart->setAccessibleDescription(
      QStringLiteral("Os números estão na tabela ao lado, \"%1\"%2")
          .arg(title, rows.isEmpty() ? QStringLiteral(": vazia.")
                                     : QStringLiteral(": ") + rows.join(QStringLiteral("; ")) +
                                           QLatin1Char('.')));
  page->setAccessibleName(title);
  return page;
}

void TFormEstatisticas::ShowStats() {
  const int o = std::max(0, opponent_->currentIndex());
  const OpponentFilter filter = o < static_cast<int>(opponents_.size())
                                    ? opponents_[static_cast<std::size_t>(o)]
                                    : OpponentFilter{};
  stats_ = ComputeStats(db_, filter, static_cast<Period>(std::max(0, period_->currentIndex())),
                        clock_());

  summary_->setRowCount(static_cast<int>(stats_.summary.size()));
  for (int r = 0; r < static_cast<int>(stats_.summary.size()); ++r) {
    const SummaryRow& row = stats_.summary[static_cast<std::size_t>(r)];
    summary_->setItem(r, 0, new QTableWidgetItem(OpponentText({row.kind, row.who})));
    for (int p = 0; p < kNumPeriods; ++p) {
      summary_->setItem(r, 1 + p, WinLossItem(row.games[static_cast<std::size_t>(p)]));
      summary_->setItem(r, 4 + p, WinLossItem(row.hands[static_cast<std::size_t>(p)]));
    }
  }
  ShowUnreadable(unreadable_, db_);
  empty_->setVisible(stats_.hands == 0 && db_.is_open());

  const int current = tabs_->currentIndex();
  while (tabs_->count() > 0) {
    QWidget* page = tabs_->widget(0);
    tabs_->removeTab(0);
    page->deleteLater();
  }

  // The share of games won, week by week.
  {
    charts::WeekChartData week_chart;
    week_chart.title = QStringLiteral("Partidas ganhas por semana");
    week_chart.series_name = QStringLiteral("Partidas ganhas (%)");
    std::vector<QStringList> table_rows;
    for (const WeekShare& w : stats_.weeks) {
      const double share = w.played ? 100.0 * w.won / w.played : 0.0;
      week_chart.points.emplace_back(w.week_start, share);
      const QString week = QDateTime::fromSecsSinceEpoch(w.week_start, Qt::UTC)
                               .toString(QStringLiteral("dd/MM/yyyy"));
      table_rows.push_back({week, QString::number(w.won), QString::number(w.played),
                            QStringLiteral("%1%").arg(qRound(share))});
    }
    if (!stats_.weeks.empty()) {
      week_chart.first = stats_.weeks.front().week_start;
      week_chart.last =
          std::max<std::int64_t>(stats_.weeks.back().week_start, week_chart.first + 7 * kDay);
      week_chart.ticks =
          static_cast<int>(std::min<std::size_t>(8, std::max<std::size_t>(2, stats_.weeks.size())));
    }
    QWidget* view = charts::MakeWeekChart(week_chart);
    auto* table = NewTable({QStringLiteral("Semana de"), QStringLiteral("Ganhas"),
                            QStringLiteral("Jogadas"), QStringLiteral("Ganhas (%)")},
                           {});
    SetRows(table, table_rows);
    tabs_->addTab(ChartPage(QStringLiteral("Partidas ganhas por semana"), view, table),
                  QStringLiteral("&1 Vitórias por semana"));
  }
  // Points won and lost per hand.
  {
    QStringList categories;
    std::vector<int> won;
    std::vector<int> lost;
    std::vector<QStringList> table_rows;
    std::map<int, int> all;
    for (const auto& [points, n] : stats_.points_won) all[points] += 0;
    for (const auto& [points, n] : stats_.points_lost) all[points] += 0;
    for (const auto& [points, unused] : all) {
      categories << QString::number(points);
      const int w = stats_.points_won.count(points) ? stats_.points_won.at(points) : 0;
      const int l = stats_.points_lost.count(points) ? stats_.points_lost.at(points) : 0;
      won.push_back(w);
      lost.push_back(l);
      table_rows.push_back({QString::number(points), QString::number(w), QString::number(l)});
    }
    const QString title = QStringLiteral("Tentos por mão");
    auto* view =
        BarChart(title, categories,
                 {{QStringLiteral("Mãos ganhas"), won}, {QStringLiteral("Mãos perdidas"), lost}});
    auto* table = NewTable(
        {QStringLiteral("Tentos"), QStringLiteral("Mãos ganhas"), QStringLiteral("Mãos perdidas")},
        {});
    SetRows(table, table_rows);
    tabs_->addTab(ChartPage(title, view, table), QStringLiteral("&2 Tentos por mão"));
  }
  // Truco: the player's calls and their outcome; the calls received and the answers.
  // `counted` names what is counted: a truco and its raise in one hand are two calls.
  auto simple = [this](const QString& title, const QString& tab, const QString& counted,
                       const QStringList& names, const std::vector<int>& values) {
    auto* view = BarChart(title, names, {{counted, values}});
    auto* table = NewTable({QStringLiteral("Resultado"), counted}, {});
    std::vector<QStringList> table_rows;
    for (int i = 0; i < names.size(); ++i) {
      table_rows.push_back({names[i], QString::number(values[static_cast<std::size_t>(i)])});
    }
    SetRows(table, table_rows);
    tabs_->addTab(ChartPage(title, view, table), tab);
  };
  simple(QStringLiteral("Truco pedido por você"), QStringLiteral("&3 Truco pedido"),
         QStringLiteral("Pedidos"),
         {QStringLiteral("Aceito e ganho"), QStringLiteral("Aceito e perdido"),
          QStringLiteral("O outro correu")},
         {stats_.calls_made.accepted_won, stats_.calls_made.accepted_lost, stats_.calls_made.ran});
  simple(QStringLiteral("Truco pedido a você"), QStringLiteral("&4 Truco recebido"),
         QStringLiteral("Pedidos"),
         {QStringLiteral("Aceitou"), QStringLiteral("Aumentou"), QStringLiteral("Correu")},
         {stats_.calls_received.accepted, stats_.calls_received.raised, stats_.calls_received.ran});
  simple(QStringLiteral("Suas mãos de onze"), QStringLiteral("&5 Mão de onze"),
         QStringLiteral("Mãos"),
         {QStringLiteral("Jogada e ganha"), QStringLiteral("Jogada e perdida"),
          QStringLiteral("Desistiu")},
         {stats_.eleven.played_won, stats_.eleven.played_lost, stats_.eleven.given_up});
  tabs_->setCurrentIndex(std::max(0, current));
}

void TFormEstatisticas::ExportCsv() {
  const QString name =
      AskFileToSave(this, QStringLiteral("Exportar o histórico"), QStringLiteral("historico.csv"),
                    QStringLiteral("CSV (*.csv)"));
  if (name.isEmpty()) return;
  std::ofstream out(name.toStdString(), std::ios::binary | std::ios::trunc);
  const long lines = out ? history::ExportCsv(db_, out) : 0;
  out.flush();
  if (!out) {
    QMessageBox::warning(this, QStringLiteral("Estatísticas"),
                         QStringLiteral("Não foi possível gravar o arquivo \"%1\".").arg(name));
    return;
  }
  QMessageBox::information(
      this, QStringLiteral("Estatísticas"),
      QStringLiteral("%1 lances exportados para \"%2\".").arg(lines).arg(name));
}

// ---------------------------------------------------------------------------------------------

TFormHistorico::TFormHistorico(const HistoryDb& db, QWidget* parent) : QDialog(parent), db_(db) {
  setObjectName(QStringLiteral("FormHistorico"));
  setWindowTitle(QStringLiteral("Histórico"));
  auto* layout = new QHBoxLayout(this);
  auto* lists = new QVBoxLayout;
  games_ = NewTable({QStringLiteral("Início"), QStringLiteral("Adversário"),
                     QStringLiteral("Resultado"), QStringLiteral("Placar"), QStringLiteral("Mãos")},
                    QStringLiteral("Partidas"));
  games_->setSelectionMode(QAbstractItemView::SingleSelection);
  hands_list_ = new QListWidget;
  hands_list_->setAccessibleName(QStringLiteral("Mãos da partida"));
  auto* games_label = new QLabel(QStringLiteral("&Partidas (as mais novas primeiro):"));
  games_label->setBuddy(games_);
  auto* hands_label = new QLabel(QStringLiteral("&Mãos:"));
  hands_label->setBuddy(hands_list_);
  unreadable_ = NewUnreadableNotice();
  lists->addWidget(unreadable_);
  lists->addWidget(games_label);
  lists->addWidget(games_, 2);
  lists->addWidget(hands_label);
  lists->addWidget(hands_list_, 1);
  layout->addLayout(lists, 1);

  auto* right = new QVBoxLayout;
  board_ = new QWidget;
  board_->setObjectName(QStringLiteral("ReplayBoard"));
  board_->setFixedSize(570, 420);
  board_->setAutoFillBackground(true);
  QPalette p = board_->palette();
  p.setColor(QPalette::Window, QColor(0, 110, 60));
  p.setColor(QPalette::WindowText, Qt::white);
  board_->setPalette(p);
  board_->setAccessibleName(QStringLiteral("Mesa da mão"));
  for (std::size_t i = 0; i < cards_.size(); ++i) {
    cards_[i] = new TCard(board_);
    cards_[i]->setFocusPolicy(Qt::NoFocus);
    cards_[i]->hide();
  }
  // The other seat above, the player's below, the vira at the left, and the three tricks in a
  // row between them, the player's card left of the other's.
  for (int i = 0; i < 3; ++i) {
    cards_[static_cast<std::size_t>(i)]->move(180 + i * 80, 314);
    cards_[static_cast<std::size_t>(i + 3)]->move(180 + i * 80, 10);
    cards_[static_cast<std::size_t>(7 + i * 2)]->move(110 + i * 155, 162);
    cards_[static_cast<std::size_t>(8 + i * 2)]->move(110 + i * 155 + 74, 162);
    auto* label = new QLabel(QStringLiteral("%1ª vaza").arg(i + 1), board_);
    label->setGeometry(110 + i * 155, 140, 145, 20);
    label->setAlignment(Qt::AlignCenter);
  }
  cards_[6]->move(10, 162);
  auto* vira = new QLabel(QStringLiteral("Vira"), board_);
  vira->setGeometry(10, 140, 71, 20);
  vira->setAlignment(Qt::AlignCenter);
  auto* them = new QLabel(QStringLiteral("Adversário"), board_);
  them->setGeometry(10, 50, 160, 20);
  auto* me = new QLabel(QStringLiteral("Você"), board_);
  me->setGeometry(10, 354, 160, 20);
  right->addWidget(board_);
  move_label_ = new QLabel;
  move_label_->setWordWrap(true);
  // No fixed name: a screen reader reads the move shown ("Lance 2 de 8. ..."), and hears it change.
  move_label_->setMinimumHeight(40);
  right->addWidget(move_label_);
  right->addWidget(new QLabel(
      QStringLiteral("Setas ← e → passam os lances; Home e End vão ao começo e ao fim.")));
  auto* close = new QPushButton(QStringLiteral("&Fechar"));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  right->addWidget(close, 0, Qt::AlignRight);
  layout->addLayout(right);

  connect(games_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { ShowGame(row); });
  connect(hands_list_, &QListWidget::currentRowChanged, this, [this](int row) { ShowHand(row); });
  // The arrows of the replay belong to the window, also while a list has the keyboard.
  games_->installEventFilter(this);
  hands_list_->installEventFilter(this);
  resize(1180, 600);
}

void TFormHistorico::Reload() {
  ShowUnreadable(unreadable_, db_);
  game_list_ = db_.Games();
  std::vector<QStringList> rows;
  for (const GameInfo& g : game_list_) {
    const QString who =
        g.seats == kSeatsPairs
            ? QStringLiteral("Duplas contra PC (%1)").arg(QString::fromStdString(g.level))
        : g.kind == OpponentKind::Computer
            ? QStringLiteral("Computador (%1)").arg(QString::fromStdString(g.level))
            : QStringLiteral("%1 (rede, %2)")
                  .arg(QString::fromStdString(g.opponent), QString::fromStdString(g.path));
    const QString result = g.voided                       ? QStringLiteral("Anulada (trapaça)")
                           : g.result == GameResult::Won  ? QStringLiteral("Ganhou")
                           : g.result == GameResult::Lost ? QStringLiteral("Perdeu")
                                                          : QStringLiteral("Não terminou");
    rows.push_back(
        {QDateTime::fromSecsSinceEpoch(g.started).toString(QStringLiteral("dd/MM/yyyy HH:mm")), who,
         result, QStringLiteral("%1 x %2").arg(g.player_score).arg(g.opponent_score),
         QString::number(g.hands)});
  }
  SetRows(games_, rows);
  if (!game_list_.empty()) {
    games_->setCurrentCell(0, 0);
  } else {
    ShowGame(-1);
  }
}

void TFormHistorico::ShowGame(int row) {
  hands_list_->clear();
  hand_list_.clear();
  if (row >= 0 && row < static_cast<int>(game_list_.size())) {
    hand_list_ = db_.Hands(game_list_[static_cast<std::size_t>(row)].id);
  }
  for (const HandRecord& h : hand_list_) {
    const QString outcome = h.winner == 0   ? QStringLiteral("ganhou %1").arg(h.player_points)
                            : h.winner == 1 ? QStringLiteral("perdeu %1").arg(h.opponent_points)
                                            : QStringLiteral("empatou");
    hands_list_->addItem(QStringLiteral("Mão %1: %2 (%3 x %4)")
                             .arg(h.number)
                             .arg(outcome)
                             .arg(h.player_score)
                             .arg(h.opponent_score));
  }
  if (!hand_list_.empty()) {
    hands_list_->setCurrentRow(0);
  } else {
    ShowHand(-1);
  }
}

void TFormHistorico::ShowHand(int row) {
  hand_ = row;
  ShowStep(0);
}

void TFormHistorico::ShowStep(std::size_t step) {
  for (TCard* c : cards_) c->hide();
  if (hand_ < 0 || hand_ >= static_cast<int>(hand_list_.size())) {
    move_label_->setText(QStringLiteral("Nenhuma mão escolhida."));
    return;
  }
  const HandRecord& hand = hand_list_[static_cast<std::size_t>(hand_)];
  step_ = std::min(step, hand.moves.size());
  const TableAt at = ReplayAt(hand, step_);
  auto show = [this](std::size_t index, std::uint8_t code, bool face_down) {
    TCard* c = cards_[index];
    const auto card = CardFromCode(code);
    if (card) c->setCard(*card);
    c->setShowDeck(face_down || !card);
    c->setAccessibleName(card && !face_down ? QString::fromStdString(CardName(*card))
                                            : QStringLiteral("Carta virada"));
    c->show();
  };
  // Each seat's cards still held keep their places of the deal.
  for (std::size_t i = 0; i < 3; ++i) {
    const auto mine = hand.player_cards[i];
    if (std::find(at.player_hand.begin(), at.player_hand.end(), mine) != at.player_hand.end()) {
      show(i, mine, false);
    }
  }
  for (std::size_t i = 0; i < at.opponent_hand.size() && i < 3; ++i) {
    show(3 + i, at.opponent_hand[i], false);
  }
  if (hand.vira) show(6, hand.vira, false);
  for (const TableCardAt& t : at.table) {
    const auto index =
        static_cast<std::size_t>(7 + (t.trick - 1) * 2 + (t.who == Who::Player ? 0 : 1));
    show(index, t.code, t.hidden);
  }
  move_label_->setText(QStringLiteral("Lance %1 de %2. %3")
                           .arg(step_)
                           .arg(hand.moves.size())
                           .arg(step_ == 0 ? QStringLiteral("As cartas como foram dadas.")
                                           : QString::fromStdString(at.last)));
}

bool TFormHistorico::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End) {
      keyPressEvent(static_cast<QKeyEvent*>(event));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormHistorico::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Right:
      ShowStep(step_ + 1);
      return;
    case Qt::Key_Left:
      ShowStep(step_ > 0 ? step_ - 1 : 0);
      return;
    case Qt::Key_Home:
      ShowStep(0);
      return;
    case Qt::Key_End:
      ShowStep(static_cast<std::size_t>(-1));
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

}  // namespace truco
