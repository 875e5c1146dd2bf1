/* Sets TCP_NODELAY on every TCP connection a program opens, for a Mosquitto that bridges to
 * another: its set_tcp_nodelay covers the connections it accepts, not the bridge's own, and
 * without it every message across the bridge may wait 40 ms for a delayed acknowledgement.
 *
 *   gcc -shared -fPIC -O2 -o /usr/local/lib/truco-nodelay.so tools/nodelay_preload.c -ldl
 *   LD_PRELOAD=/usr/local/lib/truco-nodelay.so mosquitto -c /etc/mosquitto/mosquitto.conf
 *
 * (systemd: "Environment=LD_PRELOAD=/usr/local/lib/truco-nodelay.so" in a drop-in for
 * mosquitto.service). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

int connect(int fd, const struct sockaddr* address, socklen_t length) {
  static int (*real_connect)(int, const struct sockaddr*, socklen_t);
  if (!real_connect) real_connect = (int (*)(int, const struct sockaddr*, socklen_t))dlsym(RTLD_NEXT, "connect");
  if (address && (address->sa_family == AF_INET || address->sa_family == AF_INET6)) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  return real_connect(fd, address, length);
}
