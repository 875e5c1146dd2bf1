#!/bin/sh
# Starts a local Mosquitto as a Truco Zanforte table server, in the foreground, with the shipped
# ACL (resources/broker/truco-zanforte.acl) and limits. For a LAN party or a test.
#
#   tools/broker.sh [--bind ADDR] [port]              plain MQTT (default 1883, every address)
#   tools/broker.sh [--bind ADDR] 8883 cert.pem key.pem   TLS with that certificate and key
#   tools/broker.sh --pair [port]                     two table servers bridged as
#                                                     resources/broker/bridge.conf says, on port
#                                                     and port+1 (default 1883, 1884)
#   tools/broker.sh --open --bind 127.0.0.1 [port]    without the ACL (to watch every topic)
#
# Without the ACL any client can end any game and rewrite any lobby entry, so --open is refused
# on any address but this computer's loopback. Players type this machine's address as "Servidor
# de mesas" (address:port; 8883 needs no port).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
bind=
open=0
pair=0
while [ $# -gt 0 ]; do
  case $1 in
    --bind) bind=$2; shift 2 ;;
    --open) open=1; shift ;;
    --pair) pair=1; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) break ;;
  esac
done
port=${1:-1883}
cert=${2:-}
key=${3:-}
[ "$pair" = 1 ] && [ -z "$bind" ] && bind=127.0.0.1
[ "$pair" = 1 ] && [ -n "$cert" ] && { echo "--pair is plain MQTT on this computer only" >&2; exit 2; }

loopback() {
  case $1 in 127.*|::1|localhost) return 0 ;; *) return 1 ;; esac
}
if [ "$open" = 1 ] && ! loopback "${bind:-every address}"; then
  echo "refusing to start a broker without the ACL on ${bind:-every address}:" >&2
  echo "anyone could end any game there. Use --bind 127.0.0.1, or leave out --open." >&2
  exit 2
fi
acl="$here/resources/broker/truco-zanforte.acl"
[ "$open" = 1 ] || [ -r "$acl" ] || { echo "no ACL at $acl: refusing an open broker" >&2; exit 2; }
mosquitto=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$mosquitto" ] || { echo "mosquitto not found: apt install mosquitto" >&2; exit 1; }
dir=$(mktemp -d)
pids=
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# conf NAME PORT [EXTRA...]: one broker's configuration, the shipped one without its listener
# and file paths, then this run's own lines.
conf() {
  name=$1 p=$2
  shift 2
  {
    grep -v -E '^(listener|certfile|keyfile|acl_file|tls_version|max_connections)' \
      "$here/resources/broker/mosquitto.conf"
    [ "$open" = 1 ] || echo "acl_file $dir/$name.acl"
    echo "listener $p${bind:+ $bind}"
    grep -E '^max_connections' "$here/resources/broker/mosquitto.conf"
    if [ -n "$cert" ]; then
      echo "certfile $(realpath "$cert")"
      echo "keyfile $(realpath "$key")"
    fi
    [ "$(id -u)" = 0 ] && echo "user root"
    echo "log_dest stdout"
    for line in "$@"; do echo "$line"; done
  } > "$dir/$name.conf"
  [ "$open" = 1 ] || cp "$acl" "$dir/$name.acl"
}

if [ "$pair" = 0 ]; then
  conf one "$port"
  echo "Servidor de mesas on ${bind:-every address} port $port (Ctrl+C stops it)"
  "$mosquitto" -c "$dir/one.conf" &
  pids=$!
  wait
  exit
fi

# The pair: B accepts the bridge's account; A connects to B and carries the game's topics.
far=$((port + 1))
secret=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
mosquitto_passwd -b -c "$dir/bridge.passwd" truco-bridge "$secret" >/dev/null
conf b "$far" "password_file $dir/bridge.passwd"
[ "$open" = 1 ] || { echo; cat "$here/resources/broker/truco-zanforte-bridge.acl"; } >> "$dir/b.acl"
bridge=$(grep -v -E '^(#|address|remote_password|bridge_)' "$here/resources/broker/bridge.conf")
conf a "$port" "$bridge" "address 127.0.0.1:$far" "remote_password $secret"
"$mosquitto" -c "$dir/b.conf" &
pids=$!
sleep 0.3
# A's bridge connection gets TCP_NODELAY too (Mosquitto sets it only on what it accepts).
preload=
if cc -shared -fPIC -O2 -o "$dir/nodelay.so" "$here/tools/nodelay_preload.c" -ldl 2>/dev/null; then
  preload=$dir/nodelay.so
else
  echo "no C compiler: the bridge keeps Nagle's algorithm (up to 40 ms a message)" >&2
fi
LD_PRELOAD=$preload "$mosquitto" -c "$dir/a.conf" &
pids="$pids $!"
echo "Two bridged servidores de mesas: $bind:$port and $bind:$far (Ctrl+C stops both)"
wait
