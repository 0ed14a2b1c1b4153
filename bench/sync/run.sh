#!/usr/bin/env bash
# Publishing against a reference client: the same album sent to the same
# local FTP server (pyftpdlib on 127.0.0.1, started here and stopped by its
# process id) by "albumsmith-cli sync" and by lftp's "mirror -R
# --only-newer" of the site as publishing lays it out, first to an empty
# server, then again with nothing changed, then after one photo changed.
# Prints wall time, FTP commands and uploads (STOR) of each run; the
# loopback runs use one connection each.
#
# Then the same first and no-op syncs through a relay on 127.0.0.1 that
# holds the control connection 10 ms each way (bench/sync/relay.py; 20 ms
# round trip, data connections direct), ours on 4 connections against
# lftp's "mirror -R --parallel=4". Ends with the ratios to lftp's figures.
#
#   bench/sync/run.sh [FOLDERS [PHOTOS_PER_FOLDER]]     (defaults 8 and 25)
#
# SERVER=vsftpd runs the same against vsftpd, which lists with LIST only; it
# logs in system users, so a user of the run's own is made (as root) and
# removed at the end.
#
# Needs python3-pyftpdlib or vsftpd, and lftp (scripts/install-deps.sh). Builds
# albumsmith-cli optimised in build-bench/ (or $BUILD_DIR), unless $CLI_BIN
# names one already built.
set -euo pipefail
cd "$(dirname "$0")/../.."
FOLDERS=${1:-8}
PER_FOLDER=${2:-25}
BUILD_DIR=${BUILD_DIR:-build-bench}
SERVER=${SERVER:-pyftpdlib}
JOBS=${JOBS:-$(nproc)}

command -v lftp >/dev/null || { echo "lftp is missing: install lftp (scripts/install-deps.sh)" >&2; exit 1; }
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null ||
  { echo "pyftpdlib is missing: install python3-pyftpdlib (scripts/install-deps.sh)" >&2; exit 1; }

if [ -z "${CLI_BIN:-}" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMSMITH_GUI=OFF -DALBUMSMITH_TESTS=OFF >/dev/null
  cmake --build "$BUILD_DIR" --target albumsmith-cli -j "$JOBS" >/dev/null
  CLI_BIN="$BUILD_DIR/bin/albumsmith-cli"
fi

WORK=$(mktemp -d)
SERVER_PID=
USER_MADE=
cleanup() {
  if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true; fi
  if [ -n "$USER_MADE" ]; then userdel "$USER_MADE" 2>/dev/null || true; fi
  if [ -n "${KEEP_WORK:-}" ]; then echo "kept $WORK" >&2; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
PORT=$(free_port)
PASV=$(free_port)
PASSWORD=bench$RANDOM
mkdir -p "$WORK/root" "$WORK/config" "$WORK/profiles"
case $SERVER in
  pyftpdlib)
    LOGIN=bench
    /usr/bin/python3 tests/data/publish/ftp_server.py --port "$PORT" --root "$WORK/root" --user bench \
      --password "$PASSWORD" --passive-ports "$PASV-$((PASV + 50))" --log "$WORK/server.log" &
    SERVER_PID=$!
    COMMAND='<- '
    ;;
  vsftpd)
    [ -x /usr/sbin/vsftpd ] || { echo "vsftpd is missing: install vsftpd (scripts/install-deps.sh)" >&2; exit 1; }
    [ "$(id -u)" = 0 ] || { echo "vsftpd logs in system users: run as root" >&2; exit 1; }
    LOGIN=asbench$$
    useradd --no-create-home --home-dir /tmp --shell /bin/bash "$LOGIN"
    USER_MADE=$LOGIN
    echo "$LOGIN:$PASSWORD" | chpasswd
    chown "$LOGIN:" "$WORK/root"
    chmod 755 "$WORK"
    mkdir -p "$WORK/empty" && chmod 555 "$WORK/empty"
    cat >"$WORK/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$PORT
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$WORK/root
chroot_local_user=YES
allow_writeable_chroot=YES
pasv_enable=YES
pasv_min_port=$PASV
pasv_max_port=$((PASV + 50))
connect_from_port_20=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pam_service_name=vsftpd
secure_chroot_dir=$WORK/empty
use_localtime=NO
delay_failed_login=0
xferlog_enable=YES
xferlog_std_format=NO
log_ftp_protocol=YES
vsftpd_log_file=$WORK/server.log
CONF
    chmod 600 "$WORK/vsftpd.conf"
    : >"$WORK/server.log"
    /usr/sbin/vsftpd "$WORK/vsftpd.conf" &
    SERVER_PID=$!
    COMMAND='FTP command: Client "[^"]*", "'
    ;;
  *) echo "SERVER is pyftpdlib or vsftpd" >&2; exit 1 ;;
esac
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break; sleep 0.1; done

CLI=("$CLI_BIN" --config-dir "$WORK/config" --profiles-dir "$WORK/profiles" --yes)
"${CLI[@]}" profile create Bench --server "127.0.0.1:$PORT" --login "$LOGIN" --password "$PASSWORD" \
  --remote-dir /ours/ --php 0 --connections 1 >/dev/null 2>&1

# The camera files of the tests, again and again under new names.
mapfile -t CAMERA < <(ls tests/data/exif/*.jpg tests/data/exif/orientation/*.jpg)
n=0
for f in $(seq 1 "$FOLDERS"); do
  dir="$WORK/profiles/Bench/ImageTree/Folder $f"
  mkdir -p "$dir"
  for p in $(seq 1 "$PER_FOLDER"); do
    cp "${CAMERA[$((n % ${#CAMERA[@]}))]}" "$dir/photo $p.jpg"
    n=$((n + 1))
  done
done
# Derived files and the local copy of the site are made before any timing.
"${CLI[@]}" site Bench --out "$WORK/site" >/dev/null 2>&1

log_size() { stat -c %s "$WORK/server.log"; }
# Commands and uploads the server logged since byte $1.
count() { tail -c +"$(($1 + 1))" "$WORK/server.log" | grep -c "$2" || true; }

printf '%-10s %-10s %9s %9s %7s %7s\n' client run seconds commands uploads album
declare -A TIME COMMANDS ALBUM
run() {
  local client=$1 label=$2
  shift 2
  local mark start end
  mark=$(log_size)
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  sleep 0.2  # the server's log catches up
  local sent
  sent=$(tail -c +"$((mark + 1))" "$WORK/server.log")
  TIME[$client-$label]=$(echo "$end - $start" | bc)
  COMMANDS[$client-$label]=$(grep -c "$COMMAND" <<<"$sent" || true)
  # Uploads of images and their side files: not the pages, the clock probe
  # or the folder tree data that every run sends.
  ALBUM[$client-$label]=$(grep "${COMMAND}STOR " <<<"$sent" |
    grep -cv -e 'index\.html' -e 'slide\.html' -e 'datetime\.flg' -e 'dir\.js' || true)
  printf '%-10s %-10s %9.2f %9d %7d %7d\n' "$client" "$label" "${TIME[$client-$label]}" \
    "${COMMANDS[$client-$label]}" "$(grep -c "${COMMAND}STOR " <<<"$sent" || true)" "${ALBUM[$client-$label]}"
  # Which commands, most frequent first.
  printf '%21s' ''
  sed -n "s/.*$COMMAND\\([A-Za-z]*\\).*/\\1/p" <<<"$sent" | sort | uniq -c |
    sort -rn | awk '{ printf " %s %d", $2, $1 } END { print "" }'
}
ours() { "${CLI[@]}" sync Bench >"$WORK/ours.log" 2>&1 || { cat "$WORK/ours.log" >&2; return 1; }; }
theirs() {
  local port=${1:-$PORT} parallel=${2:-1} target=${3:-/theirs}
  lftp -p "$port" -u "$LOGIN,$PASSWORD" -e \
    "set ftp:passive-mode true; set net:max-retries 1; mirror -R --only-newer --no-perms --parallel=$parallel '$WORK/site' $target; quit" \
    127.0.0.1
}

run albumsmith first ours
run lftp first theirs
run albumsmith no-op ours
run lftp no-op theirs
touch "$WORK/profiles/Bench/ImageTree/Folder 1/photo 1.jpg"
# lftp's local copy is kept up to date by content, as a user of a mirror
# would keep it: only files that changed get a new time.
"${CLI[@]}" site Bench --out "$WORK/site2" >/dev/null 2>&1
(cd "$WORK/site2" && find . -type f) | while read -r f; do
  cmp -s "$WORK/site2/$f" "$WORK/site/$f" || cp "$WORK/site2/$f" "$WORK/site/$f"
done
run albumsmith one-photo ours
run lftp one-photo theirs
FILES=$(find "$WORK/site" -type f | wc -l)

# 20 ms round trip on the control connection.
RELAY=$(free_port)
/usr/bin/python3 bench/sync/relay.py "$RELAY" "$PORT" 10 >"$WORK/relay.log" 2>&1 &
RELAY_PID=$!
trap 'kill "$RELAY_PID" 2>/dev/null || true; wait "$RELAY_PID" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 50); do grep -q relaying "$WORK/relay.log" 2>/dev/null && break; sleep 0.1; done
"${CLI[@]}" profile set Bench "ServerName=127.0.0.1:$RELAY" RemoteDir=/ours20/ Connections=4 >/dev/null
run albumsmith first-20ms ours
run lftp first-20ms theirs "$RELAY" 4 /theirs20
run albumsmith no-op-20ms ours
run lftp no-op-20ms theirs "$RELAY" 4 /theirs20

echo "($SERVER; $FOLDERS folders of $PER_FOLDER photos; $FILES files in the site)"
# The goals, against lftp in this same run.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "first sync at 20 ms, 4 connections: $(ratio "${TIME[albumsmith-first-20ms]}" "${TIME[lftp-first-20ms]}")x lftp --parallel=4 (goal <= 0.8)"
echo "no-op sync at 20 ms: $(ratio "${TIME[albumsmith-no-op-20ms]}" "${TIME[lftp-no-op-20ms]}")x lftp (goal <= 0.5)"
echo "no-op sync on loopback: $(ratio "${TIME[albumsmith-no-op]}" "${TIME[lftp-no-op]}")x lftp (goal <= 1)"
echo "first sync on loopback, one connection: $(ratio "${COMMANDS[albumsmith-first]}" "$FILES") commands per file (goal <= 2.2)," \
  "$(ratio "${TIME[albumsmith-first]}" "${TIME[lftp-first]}")x lftp's time"
echo "no-op sync: ${COMMANDS[albumsmith-no-op]} commands, lftp ${COMMANDS[lftp-no-op]} (goal: no more);" \
  "${ALBUM[albumsmith-no-op]} image or side files sent (goal 0)"
