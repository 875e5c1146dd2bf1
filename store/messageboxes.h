#pragma once
// The three message boxes every window shares. All are modal for the whole application and have
// no owner window. Line breaks in the texts (CR, LF, CR LF or LF CR) show as line breaks.

#include <QString>
#include <QStringList>

namespace truco {

// Kind 1: information with "OK", always true. Any other kind: question with "&Yes" / "&No",
// true on Yes. Caption "Information", information icon.
bool MOSTRA_MENSAGEM(const QString& text, int kind);

// Kinds 0 "Erro", 1 "Atenção", 2 "Informação", any other: no caption and no icon. Button OK.
// An empty list shows nothing.
void Mensagem(const QStringList& lines, int kind);

// "Atenção ...", question icon, Yes/No; " ?" is appended to the text. True on Yes. An empty list
// shows nothing and answers false.
bool Confirma(const QStringList& lines);

// Every line break sequence turned into one '\n'.
QString ShownLineBreaks(const QString& text);

}  // namespace truco
