#!/usr/bin/env bash
# Copies a generated site served by a local nginx (plain HTTP, and HTTPS with
# HTTP/2) through a relay that delays every chunk as a network would, with
# harvo-cli, the window program (harvo -start -close, offscreen), wget -r
# (one kept connection) and wget2 -r (5 threads), the
# tools alternating in one run. Reports wall time, CPU time (user + sys),
# peak memory and the connections each tool opened, per round and as
# medians. Everything runs on 127.0.0.1; the servers and relays are stopped
# on every exit.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/network_compare.sh [options]
  --mode MODE        network: through the delaying relay (default)
                     loopback: straight to nginx, no delay (CPU time)
                     memory: harvo-cli alone on loopback, plain HTTP, 20000 pages
  --pages N          pages of the generated site (default 2000; memory: 20000)
  --rounds R         rounds of all tools, order rotating (default 3; memory: 1)
  --delay SEC        relay delay per direction (default 0.010)
  --schemes LIST     "http", "https" or "http https" (default)
  --tools LIST       any of "harvo window wget wget2" (default "harvo wget wget2")
  --connections N    pass -connections N to harvo-cli
                     (default: $HARVO_CONNECTIONS; not passed when empty)
  --harvo PATH       harvo-cli to measure (default build/src/app/harvo-cli,
                     or $HARVO_BUILD_DIR/src/app/harvo-cli)
  --window PATH      window program to measure (default: harvo beside harvo-cli)
  --workdir DIR      sites, copies and logs (default ${TMPDIR:-/tmp}/harvo-netbench)
  --timeout SEC      longest run of one tool (default 900)
EOF
}

top=$(cd "$(dirname "$0")/.." && pwd)
bench=$top/bench
mode=network
pages=
rounds=
delay=0.010
schemes="http https"
tools_list="harvo wget wget2"
connections=${HARVO_CONNECTIONS:-}
harvo=
window=
workdir=${TMPDIR:-/tmp}/harvo-netbench
tool_timeout=900
python=${PYTHON:-python3}

while [ $# -gt 0 ]; do
    case $1 in
    --mode) mode=$2; shift 2 ;;
    --pages) pages=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --delay) delay=$2; shift 2 ;;
    --schemes) schemes=$2; shift 2 ;;
    --tools) tools_list=$2; shift 2 ;;
    --connections) connections=$2; shift 2 ;;
    --harvo) harvo=$2; shift 2 ;;
    --window) window=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    --timeout) tool_timeout=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    esac
done

case $mode in
network | loopback) ;;
memory) tools_list=harvo; schemes=http; pages=${pages:-20000}; rounds=${rounds:-1} ;;
*) echo "--mode takes network, loopback or memory" >&2; exit 2 ;;
esac
pages=${pages:-2000}
rounds=${rounds:-3}
read -r -a tools <<<"$tools_list"
read -r -a scheme_list <<<"$schemes"

. "$bench/common.sh"
require_programs nginx openssl "$python" /usr/bin/time timeout
for tool in "${tools[@]}"; do
    case $tool in
    harvo | window) ;;
    wget) require_programs wget ;;
    wget2) command -v wget2 >/dev/null || fail "wget2 is missing (apt-get install wget2)" ;;
    *) fail "unknown tool: $tool" ;;
    esac
done
harvo=${harvo:-${HARVO_BUILD_DIR:-$top/build}/src/app/harvo-cli}
window=${window:-$(dirname "$harvo")/harvo}
if [[ " ${tools[*]} " == *" harvo "* ]]; then
    [ -x "$harvo" ] || fail "harvo-cli not found at $harvo (build it, or pass --harvo PATH)"
    harvo=$(cd "$(dirname "$harvo")" && pwd)/$(basename "$harvo")
fi
if [[ " ${tools[*]} " == *" window "* ]]; then
    [ -x "$window" ] || fail "the window program is not at $window (build it, or pass --window PATH)"
    window=$(cd "$(dirname "$window")" && pwd)/$(basename "$window")
fi

mkdir -p "$workdir"
workdir=$(cd "$workdir" && pwd)
site=$workdir/site-$pages
logs=$workdir/logs
mkdir -p "$logs"

cleanup() {
    stop_tool
    stop_relays
    stop_nginx
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- tools ------------------------------------------------------------------------

run_wget() { # name url out
    run_measured "$1" "$3" wget "${wget_options[@]}" -P "$3" "$2"
}

run_wget2() { # name url out
    run_measured "$1" "$3" wget2 "${wget2_options[@]}" -P "$3" "$2"
}

run_harvo() { # name url out
    local config=$workdir/bench.ini
    local extra=()
    if [ -n "$connections" ]; then
        extra=(-connections "$connections")
    fi
    "$python" "$bench/write_hrv_config.py" "$config" --name bench --url "$2" --outdir "$3" --complete-pages
    run_measured "$1" "$3" "$harvo" -config "$config" -outdir "$3" -start bench "${extra[@]}"
}

# The window program takes the connections from the configuration and runs
# without a display.
run_window() { # name url out
    local config=$workdir/bench-window.ini
    "$python" "$bench/write_hrv_config.py" "$config" --name bench --url "$2" --outdir "$3" --complete-pages \
        ${connections:+--connections "$connections"}
    run_measured "$1" "$3" env QT_QPA_PLATFORM=offscreen "$window" -config "$config" -start bench -close
}

# --- the run ------------------------------------------------------------------------

"$python" "$bench/gen_site.py" --pages "$pages" "$site"
site_files=$(find "$site" -type f ! -name .gen_site | wc -l)
start_servers
if [ "$mode" = network ]; then
    for scheme in "${scheme_list[@]}"; do
        start_relay "$scheme" $((tool_timeout * rounds * ${#tools[@]} * ${#scheme_list[@]} + 600))
    done
    route="through a relay delaying each chunk ${delay}s per direction"
else
    route="straight to nginx"
fi
echo "site: $pages pages, $site_files files; nginx on 127.0.0.1 ($schemes), $route;" \
    "${connections:+harvo-cli -connections $connections; }$(nproc) cores, shared with whatever else runs"

results=$logs/results.txt
: >"$results"
printf '%-5s %-6s %-5s %8s %8s %9s %6s %5s %6s\n' round tool proto wall_s cpu_s maxrss_MB conns exit files
for ((round = 1; round <= rounds; round++)); do
    # Each round starts with the next tool, so that no tool always runs first.
    shift_by=$(((round - 1) % ${#tools[@]}))
    order=("${tools[@]:shift_by}" "${tools[@]:0:shift_by}")
    for scheme in "${scheme_list[@]}"; do
        port=${relay_port[$scheme]:-${server_port[$scheme]}}
        for tool in "${order[@]}"; do
            name=$tool-$scheme-$round
            before=$( [ "$mode" = network ] && accepted "$scheme" || echo 0)
            "run_$tool" "$name" "$scheme://127.0.0.1:$port/" "$workdir/out-$tool"
            after=$( [ "$mode" = network ] && accepted "$scheme" || echo 0)
            opened=$( [ "$mode" = network ] && echo $((after - before)) || echo -1)
            read -r wall cpu _ _ rss status files <"$logs/$name.summary"
            echo "$tool-$scheme $wall $cpu $rss $opened" >>"$results"
            printf '%-5s %-6s %-5s %8.2f %8.2f %9.1f %6s %5s %6d\n' "$round" "$tool" "$scheme" "$wall" "$cpu" \
                "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "${opened/#-1/-}" "$status" "$files"
            if [ "$files" -lt "$site_files" ]; then
                echo "warning: $tool saved $files files of the site's $site_files (log: $logs/$name.log)" >&2
            fi
            if [ "$status" != 0 ]; then
                echo "warning: $tool exited with status $status (log: $logs/$name.log)" >&2
            fi
        done
    done
done

# Medians over the rounds, then harvo-cli relative to each peer.
echo
medians "$results" | awk '
    { split($1, k, "-"); tool[$1] = k[1]; scheme[$1] = k[2]
      wall[$1] = $2; cpu[$1] = $3; rss[$1] = $4
      printf "median %-12s wall %7.2f s, cpu %6.2f s, peak memory %6.1f MB, connections %s\n",
          $1, $2, $3, $4 / 1024, $5 < 0 ? "-" : $5 }
    END {
        for (key in wall) {
            if (tool[key] == "harvo") continue
            h = "harvo-" scheme[key]
            if ((h in wall) && wall[key] > 0 && cpu[key] > 0)
                printf "harvo / %-12s wall %.2fx, cpu %.2fx\n", key ":", wall[h] / wall[key], cpu[h] / cpu[key]
        }
    }
'
rm -rf "$workdir"/out-*
