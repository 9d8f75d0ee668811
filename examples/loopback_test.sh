#!/usr/bin/env bash
# The request server and its clients over loopback TCP:
#   loopback_test.sh REQUEST_SERVER REQUEST_CLIENT
# Starts the server on a port the system picks, runs against it two clients
# of 1000 requests each at once (one in turn, one pipelined), a request cut
# off, a request over the server's limit (each followed by a client that
# must still be answered) and a slow client writing a byte at a time; then
# checks each client's line, the server's refusals on standard error (whole
# lines) and that the server ends, status 0, after its seven connections.
set -euo pipefail
server=$1
client=$2
limit=65536

scratch=$(mktemp -d)
server_pid=
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

failed=0
# expect NAME EXPECTED-FILE ACTUAL-FILE: fails unless the whole texts match.
expect() {
  if ! diff -u "$2" "$3" >"$scratch/$1.diff"; then
    echo "FAIL: $1:"
    cat "$scratch/$1.diff"
    return 1
  fi
}
# run NAME EXPECTED-LINE CLIENT-ARGUMENTS...: fails unless the client's
# output is that one line and its status 0.
run() {
  local name=$1 line=$2
  shift 2
  local status=0 verdict=0
  timeout 120 "$client" "$port" "$@" >"$scratch/$name.out" 2>&1 || status=$?
  printf '%s\n' "$line" >"$scratch/$name.expected"
  expect "$name" "$scratch/$name.expected" "$scratch/$name.out" || verdict=1
  if [[ $status -ne 0 ]]; then
    echo "FAIL: $name: exit status $status"
    verdict=1
  fi
  return $verdict
}

# The server prints its port as its first line: read it from the coprocess.
coproc SERVER { exec timeout 120 "$server" 0 --max-bytes "$limit" --connections 7 2>"$scratch/server.err"; }
server_pid=$SERVER_PID
if ! read -r port <&"${SERVER[0]}"; then
  echo "FAIL: the server printed no port: $(cat "$scratch/server.err")"
  exit 1
fi
echo "server on port $port"

# Two connections at once, 1000 requests on each.
run in_turn "sent 1000 requests, 1000 answers, all as expected" --requests 1000 &
in_turn=$!
run pipelined "sent 1000 requests, 1000 answers, all as expected" --requests 1000 --pipelined &
pipelined=$!
wait "$in_turn" || failed=1
wait "$pipelined" || failed=1

# A request cut off half way: that connection ends, the server goes on.
run cut "sent 18 requests and half of another, 18 answers, all as expected" --requests 18 --cut || failed=1
run after_cut "sent 100 requests, 100 answers, all as expected" --requests 100 || failed=1

# A request over the limit: refused without an answer, the server goes on.
run over_limit "sent a request of 67737 bytes, over the limit of $limit: the connection was closed without an answer" \
  --over-limit "$limit" || failed=1
run after_over_limit "sent 100 requests, 100 answers, all as expected" --requests 100 || failed=1

# A slow client, a byte per write.
run byte_at_a_time "sent 20 requests, 20 answers, all as expected" --requests 20 --byte-at-a-time || failed=1

# Seven connections served: the server ends by itself (unless a client
# failed, which may have left it waiting for a connection).
if [[ $failed -ne 0 ]]; then kill "$server_pid" 2>/dev/null || true; fi
status=0
wait "$server_pid" || status=$?
server_pid=
if [[ $failed -eq 0 && $status -ne 0 ]]; then
  echo "FAIL: the server's exit status: $status"
  failed=1
fi

# The two refusals, one line each, and nothing else.
cat >"$scratch/server.expected" <<EOF
request_server: closing a connection after 18 answers: the document ends before element 'ns1:attributesToExport' is closed (line 1, column 1424, at /ExportToApplicationInput/inputs[2]/attributesToExport[2])
request_server: closing a connection after 0 answers: the XML text is larger than XmlReadLimits::maxBytes ($limit bytes) (line 1, column $((limit + 1)), at /ExportToApplicationInput/inputs[16]/attributesToExport[15])
EOF
expect server_err "$scratch/server.expected" "$scratch/server.err" || failed=1

for name in in_turn pipelined cut after_cut over_limit after_over_limit byte_at_a_time; do
  echo "$name: $(cat "$scratch/$name.out")"
done
if [[ $failed -ne 0 ]]; then exit 1; fi
echo "all as expected"
