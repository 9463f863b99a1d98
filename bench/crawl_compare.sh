#!/usr/bin/env bash
# Copies a generated site served by a local nginx with harvo-cli and with
# wget (the sequential peer), alternating the two in the same run, and
# reports wall time, CPU time (user + sys), peak memory, their ratios and the
# time per page. Everything runs on 127.0.0.1; nginx is stopped on every exit.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/crawl_compare.sh [options]
  --pages N        pages of the generated site (default 2000)
  --large          the same with 20000 pages
  --rounds R       rounds of both tools, order alternating (default 2)
  --only TOOL      measure only "wget" or only "harvo"
  --window         also measure the window program (harvo -start NAME -close,
                   offscreen) next to harvo-cli
  --harvo PATH     harvo-cli to measure (default build/src/app/harvo-cli,
                   or $HARVO_BUILD_DIR/src/app/harvo-cli)
  --workdir DIR    sites, copies and logs (default ${TMPDIR:-/tmp}/harvo-crawlbench)
  --timeout SEC    longest run of one tool (default 1800)
  --keep           keep the copies of the last round
  --complete-pages copy with the project option "Complete pages" on
  --site-file-names
                   also measure harvo-cli with the project option "Site file
                   names" on (tool "names") next to it off
EOF
}

top=$(cd "$(dirname "$0")/.." && pwd)
bench=$top/bench
pages=2000
rounds=2
only=
harvo=
with_window=0
workdir=${TMPDIR:-/tmp}/harvo-crawlbench
tool_timeout=1800
keep=0
complete_pages=()
with_names=0
python=${PYTHON:-python3}

while [ $# -gt 0 ]; do
    case $1 in
    --pages) pages=$2; shift 2 ;;
    --large) pages=20000; shift ;;
    --rounds) rounds=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --harvo) harvo=$2; shift 2 ;;
    --window) with_window=1; shift ;;
    --workdir) workdir=$2; shift 2 ;;
    --timeout) tool_timeout=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --complete-pages) complete_pages=(--complete-pages); shift ;;
    --site-file-names) with_names=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    esac
done

case $only in
"") tools=(wget harvo) ;;
wget | harvo) tools=("$only") ;;
*) echo "--only takes wget or harvo" >&2; exit 2 ;;
esac
if [ "$with_window" -eq 1 ]; then
    tools+=(window)
fi
if [ "$with_names" -eq 1 ]; then
    tools+=(names)
fi

. "$bench/common.sh"
require_programs nginx wget "$python" /usr/bin/time timeout

if [[ " ${tools[*]} " == *" harvo "* || " ${tools[*]} " == *" names "* ]]; then
    if [ -z "$harvo" ]; then
        harvo=${HARVO_BUILD_DIR:-$top/build}/src/app/harvo-cli
    fi
    [ -x "$harvo" ] || fail "harvo-cli not found at $harvo.
Build it (cmake --build build --target harvo-cli), pass --harvo PATH, or use --only wget."
    harvo=$(cd "$(dirname "$harvo")" && pwd)/$(basename "$harvo")
fi
if [ "$with_window" -eq 1 ]; then
    window=$(dirname "${harvo:-${HARVO_BUILD_DIR:-$top/build}/src/app/harvo-cli}")/harvo
    [ -x "$window" ] || fail "the window program was not found at $window. Build it first."
fi

mkdir -p "$workdir"
workdir=$(cd "$workdir" && pwd)
site=$workdir/site-$pages
logs=$workdir/logs
mkdir -p "$logs"

cleanup() {
    stop_tool
    stop_nginx
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- measuring ----------------------------------------------------------------

run_wget() { # round
    local out=$workdir/out-wget
    run_measured "wget-$1" "$out" \
        wget -r -l inf -np -k -p -e robots=off -nv -nH -P "$out" "http://127.0.0.1:$port/"
}

run_harvo() { # round [tool name, extra config options...]
    local tool=${2:-harvo}
    local out=$workdir/out-$tool config=$workdir/$tool.ini
    "$python" "$bench/write_hrv_config.py" "$config" --name bench --url "http://127.0.0.1:$port/" \
        --output-folder "{OutDir}/{ProjectName}" --outdir "$out" "${complete_pages[@]}" "${@:3}"
    run_measured "$tool-$1" "$out" "$harvo" -config "$config" -outdir "$out" -start bench
}

run_names() { # round
    run_harvo "$1" names --site-file-names
}

run_window() { # round
    local out=$workdir/out-window config=$workdir/window.ini
    "$python" "$bench/write_hrv_config.py" "$config" --name bench --url "http://127.0.0.1:$port/" \
        --output-folder "{OutDir}/{ProjectName}" --outdir "$out" "${complete_pages[@]}"
    run_measured "window-$1" "$out" env QT_QPA_PLATFORM=offscreen "$window" -config "$config" -start bench -close
}

# --- the run --------------------------------------------------------------------

"$python" "$bench/gen_site.py" --pages "$pages" "$site"
site_files=$(find "$site" -type f ! -name .gen_site | wc -l)
port=$(free_port)
start_nginx "$site" "    server { listen 127.0.0.1:$port; }"
echo "site: $pages pages, $site_files files, $(du -sh --exclude=.gen_site "$site" | cut -f1);" \
    "nginx on 127.0.0.1:$port; $(nproc) cores, shared with whatever else runs"

results=$logs/results.txt
: >"$results"
printf '%-6s %-6s %8s %8s %8s %8s %9s %5s %7s %8s\n' \
    round tool wall_s cpu_s user_s sys_s maxrss_MB exit files ms/page
for ((round = 1; round <= rounds; round++)); do
    # Each round starts with the next tool, so that no tool always runs first.
    shift_by=$(((round - 1) % ${#tools[@]}))
    order=("${tools[@]:shift_by}" "${tools[@]:0:shift_by}")
    for tool in "${order[@]}"; do
        "run_$tool" "$round"
        read -r wall cpu user sys rss status files <"$logs/$tool-$round.summary"
        echo "$tool $wall $cpu $rss" >>"$results"
        printf '%-6s %-6s %8.2f %8.2f %8.2f %8.2f %9.1f %5s %7d %8.2f\n' "$round" "$tool" "$wall" "$cpu" \
            "$user" "$sys" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$status" "$files" \
            "$(awk -v w="$wall" -v p="$pages" 'BEGIN { print w * 1000 / p }')"
        if [ "$files" -lt "$site_files" ]; then
            echo "warning: $tool saved $files files of the site's $site_files (log: $logs/$tool-$round.log)" >&2
        fi
        if [ "$tool" = harvo ] || [ "$tool" = names ]; then
            grep -h '^Downloaded: ' "$logs/$tool-$round.log" | sed "s/^/    $tool: /" || true
        fi
        if [ "$status" != 0 ]; then
            echo "warning: $tool exited with status $status (log: $logs/$tool-$round.log)" >&2
        fi
    done
done

# Medians over the rounds, then harvo relative to wget.
echo
medians "$results" | awk -v pages="$pages" '
    { wall[$1] = $2; cpu[$1] = $3; rss[$1] = $4
      printf "median %-6s wall %.2f s, cpu %.2f s, peak memory %.1f MB, %.2f ms per page\n",
          $1, $2, $3, $4 / 1024, $2 * 1000 / pages }
    END {
        if (("harvo" in wall) && ("wget" in wall) && wall["wget"] > 0 && cpu["wget"] > 0 && rss["wget"] > 0)
            printf "harvo / wget: wall %.2fx, cpu %.2fx, peak memory %.2fx\n",
                wall["harvo"] / wall["wget"], cpu["harvo"] / cpu["wget"], rss["harvo"] / rss["wget"]
        if (("harvo" in wall) && ("window" in wall) && wall["harvo"] > 0 && cpu["harvo"] > 0)
            printf "window / harvo: wall %.2fx, cpu %.2fx\n", wall["window"] / wall["harvo"], cpu["window"] / cpu["harvo"]
        if (("harvo" in wall) && ("names" in wall) && wall["harvo"] > 0 && cpu["harvo"] > 0)
            printf "site file names / folders: wall %.2fx, cpu %.2fx, peak memory %.2fx\n",
                wall["names"] / wall["harvo"], cpu["names"] / cpu["harvo"], rss["names"] / rss["harvo"]
    }
'

if [ "$keep" -eq 0 ]; then
    rm -rf "$workdir/out-wget" "$workdir/out-harvo" "$workdir/out-window" "$workdir/out-names"
fi
