#!/bin/sh
# Starts a local Mosquitto as a Truco Zanforte table server, in the foreground, with the shipped
# ACL (resources/broker/truco-zanforte.acl) and limits. For a LAN party or a test.
#
#   tools/broker.sh [port]                      plain MQTT on every address (default 1883)
#   tools/broker.sh 8883 cert.pem key.pem       TLS with that certificate (full chain) and key
#
# Players type this machine's address as "Servidor de mesas" (address:port; 8883 needs no port).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
port=${1:-1883}
cert=${2:-}
key=${3:-}
mosquitto=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$mosquitto" ] || { echo "mosquitto not found: apt install mosquitto" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT INT TERM
cp "$here/resources/broker/truco-zanforte.acl" "$dir/"
{
  # The shipped configuration without its listener and file paths, then this run's own.
  grep -v -E '^(listener|certfile|keyfile|acl_file|tls_version)' \
    "$here/resources/broker/mosquitto.conf"
  echo "acl_file $dir/truco-zanforte.acl"
  echo "listener $port"
  if [ -n "$cert" ]; then
    echo "certfile $(realpath "$cert")"
    echo "keyfile $(realpath "$key")"
  fi
  [ "$(id -u)" = 0 ] && echo "user root"
  echo "log_dest stdout"
} > "$dir/mosquitto.conf"
echo "Servidor de mesas on port $port (Ctrl+C stops it)"
"$mosquitto" -c "$dir/mosquitto.conf"
