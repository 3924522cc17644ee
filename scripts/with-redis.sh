#!/usr/bin/env bash
# Runs a command beside a private redis-server: on a free 127.0.0.1 port, with
# nothing persisted, stopped by its process id when the command ends. The
# command finds it through REDIS_URL (redis://127.0.0.1:PORT); its exit status
# is the command's.
#
# usage: scripts/with-redis.sh COMMAND [ARGUMENTS...]
set -euo pipefail
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
redis-server --port "$port" --bind 127.0.0.1 --save '' --appendonly no --logfile /dev/null \
  --protected-mode no --daemonize no &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 200); do
  redis-cli -h 127.0.0.1 -p "$port" ping >/dev/null 2>&1 && break
  kill -0 "$pid" 2>/dev/null || { echo "redis-server did not start on port $port" >&2; exit 2; }
  sleep 0.05
done
status=0
REDIS_URL="redis://127.0.0.1:$port" "$@" || status=$?
exit "$status"
