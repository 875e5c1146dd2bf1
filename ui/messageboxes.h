#pragma once
// Every message and yes/no question of the program goes through these routines, which fix the
// captions, icons and buttons; callers give only the text and the kind. Every box is modal for
// the whole application and attached to the window in use (the top modal window, else the main
// window), so a window manager never minimises it on its own.

#include <QString>
#include <QStringList>

class QWidget;

namespace truco {

// The longest text a box shows; longer texts are cut.
inline constexpr qsizetype kMessageTextLimit = 500;

// Mensagem kinds.
inline constexpr int kMensagemErro = 0;
inline constexpr int kMensagemAtencao = 1;
inline constexpr int kMensagemInformacao = 2;

// MOSTRA_MENSAGEM kinds: 1 information with OK; any other value a Yes/No question.
inline constexpr int kMostraInformacao = 1;
inline constexpr int kMostraPergunta = 2;

// The text of Mensagem / Confirma: lines joined by LF followed by CR, " ?" appended for a
// question, cut to the limit. An empty list gives an empty text.
QString BuildMessageText(const QStringList& lines, bool question);

// A text as the screen should show it: every CR, LF, CR+LF or LF+CR becomes one line break.
QString DisplayText(const QString& text);

// kind 0 "Erro" (error icon), 1 "Atenção" (warning), 2 "Informação" (information), any other
// no caption and no icon; button OK. An empty list shows nothing.
void Mensagem(const QStringList& lines, int kind);

// "Atenção ..." with the question icon, "&Yes" and "&No"; true only for Yes. An empty list shows
// nothing and gives false.
bool Confirma(const QStringList& lines);

// Caption "Information", information icon. Kind 1: button "OK", always true. Otherwise "&Yes" /
// "&No", true only for Yes.
bool MOSTRA_MENSAGEM(const QString& text, int kind);

// The window a box belongs to when no modal window is open: the main window.
void SetMessageBoxOwner(QWidget* owner);

}  // namespace truco
