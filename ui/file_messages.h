#pragma once
// The player's files as the player hears about them: what the store reports as data becomes a
// Portuguese box here. Every reason is the program's own text, never the system's English.

#include <QString>
#include <QStringList>

#include "store/file_status.h"
#include "store/records_file.h"
#include "store/settings_file.h"

namespace truco {

// Why a call failed, from its errno: "sem permissão", "o disco está cheio", ...
QString ErrnoReason(int error);

// What went wrong with a file, as a phrase that follows "...arquivo "X": ".
QString FileFaultReason(const FileStatus& status);

// "Não foi possível ler o arquivo "NAME": REASON." for a failed read, "...gravar..." for a failed
// write, then `consequence` as a second line when given.
QStringList FileFailureLines(const QString& file_name, const FileStatus& status,
                             const QString& consequence = {});

// The start-up load of the settings file: the information box of a missing (or short) file that
// is being created, an error box when that fails, and an error box for a file that could not be
// read (left as it is).
void ReportSettingsStartup(const SettingsStartup& startup);

// One save of the settings windows; returns true when it showed a box.
bool ReportSettingsSave(const SettingsSave& save);

// The first row of the records, read each time the main window is shown: a missing file gets the
// information box "Arquivo "Recordes.qdx" não encontrado", any other failure an error box.
void ReportRecordsFirstRow(const FileStatus& status);

// A submitted result that could not be stored.
void ReportRecordsSubmit(const RecordsSubmit& submit);

}  // namespace truco
