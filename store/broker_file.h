#pragma once
// Where the player's table server ("Servidor de mesas") is, kept in a small file of its own in
// the user's configuration folder beside the level file, so "Conf.dll" keeps its 8 bytes.
//
// The file is one line of text, "servidor=" followed by host[:port]. No file, or other bytes:
// the default that the build may set (-DTRUCO_DEFAULT_BROKER=...); the source ships none.

#include <QByteArray>
#include <QString>

namespace truco {

inline constexpr char kBrokerFileName[] = "servidor.conf";

QByteArray EncodeBrokerFile(const QString& broker);
// The text after "servidor=", trimmed; empty when the bytes are not a broker file.
QString DecodeBrokerFile(QByteArrayView bytes);

// "servidor.conf" in the user's configuration folder for this program.
QString DefaultBrokerPath();
// The build's default table server; empty unless the build set one.
QString DefaultBroker();

// The stored server, else DefaultBroker().
QString ReadBrokerFile(const QString& path);
// Replaces the file atomically, creating its folder when needed. False when it could not.
bool WriteBrokerFile(const QString& path, const QString& broker);

}  // namespace truco
