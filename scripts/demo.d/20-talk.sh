#!/usr/bin/env bash
# The talk library: a talk server on loopback, two users connected through
# libSquadVoice (tools/talkclient/talkclient is the host), server notices
# arriving as XML, a refused login, and both users leaving again.
set -euo pipefail
S="$VEL_BUILD/tools/talkserver/talkserver"
C="$VEL_BUILD/tools/talkclient/talkclient"
work="$VEL_DEMO_OUT/talk"
rm -rf "$work"
mkdir -p "$work"
cat > "$work/users.txt" <<'USERS'
# user-id password [unit]
alice secret-a
bob secret-b unit-7
USERS

wait_for() { # file text: waits up to 10 s for a line
  for _ in $(seq 100); do grep -q -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$2' in $1" >&2; return 1
}

mkfifo "$work/control"
"$S" --users "$work/users.txt" --heartbeat 2 < "$work/control" > "$work/server.log" &
server=$!
exec 3> "$work/control"
wait_for "$work/server.log" listening
port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$work/server.log")
echo "talk server listening on 127.0.0.1:$port (heartbeat period 2 s)"

"$C" --server "127.0.0.1:$port" --user alice --password secret-a --notices 2 --seconds 20 > "$work/alice.log" &
alice=$!
"$C" --server "127.0.0.1:$port" --user bob --password secret-b --unit unit-7 --notices 1 --seconds 20 \
  > "$work/bob.log" &
bob=$!
wait_for "$work/alice.log" connected
wait_for "$work/bob.log" connected
wait_for "$work/server.log" "event heartbeat user=bob status=200"

echo
echo "A login with the wrong password is refused by the server (402 -> 0xE0000192):"
"$C" --server "127.0.0.1:$port" --user alice --password wrong || true

echo
echo "The server sends three notices:"
for n in "notice alice 0x0206" "notice bob 0x0208 0x00020005" "notice alice 0x0308 7 subject=bob"; do
  echo "  control> $n"
  echo "$n" >&3
done
wait "$alice" "$bob"

echo
echo "What the hosts were told:"
cat "$work/alice.log" "$work/bob.log"
echo "quit" >&3
exec 3>&-
wait "$server"
echo
echo "What the server saw:"
cat "$work/server.log"
