#!/usr/bin/env bash
# Keeping a copy current: each tool copies a generated site into an empty
# folder, then 1% of the site's pages change on the server (new text, a later
# modification time), then the tool runs again over the same folder. nginx
# serves the site on 127.0.0.1 behind the delaying relay and logs every reply;
# per run the script reports wall time, CPU time, the body bytes nginx sent
# and its 200 and 304 replies, then the second run's share of the first run's
# bytes and harvo-cli's second run against wget2 -N's. The servers and relays
# are stopped and the changed pages restored on every exit.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/update_compare.sh [options]
  --pages N          pages of the generated site (default 2000)
  --changed N        pages changed between the two runs (default 1% of the pages)
  --rounds R         rounds of all tools, order rotating (default 3)
  --delay SEC        relay delay per direction (default 0.010)
  --schemes LIST     "http", "https" or "http https" (default "http")
  --tools LIST       any of "harvo wget wget2" (default all three)
  --harvo PATH       harvo-cli to measure (default build/src/app/harvo-cli,
                     or $HARVO_BUILD_DIR/src/app/harvo-cli)
  --workdir DIR      sites, copies, state and logs
                     (default ${TMPDIR:-/tmp}/harvo-updatebench)
  --timeout SEC      longest run of one tool (default 900)
EOF
}

top=$(cd "$(dirname "$0")/.." && pwd)
bench=$top/bench
pages=2000
changed=
rounds=3
delay=0.010
schemes=http
tools_list="harvo wget wget2"
harvo=
workdir=${TMPDIR:-/tmp}/harvo-updatebench
tool_timeout=900
python=${PYTHON:-python3}

while [ $# -gt 0 ]; do
    case $1 in
    --pages) pages=$2; shift 2 ;;
    --changed) changed=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --delay) delay=$2; shift 2 ;;
    --schemes) schemes=$2; shift 2 ;;
    --tools) tools_list=$2; shift 2 ;;
    --harvo) harvo=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    --timeout) tool_timeout=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    esac
done
changed=${changed:-$(((pages + 99) / 100))}
read -r -a tools <<<"$tools_list"
read -r -a scheme_list <<<"$schemes"

. "$bench/common.sh"
require_programs nginx openssl "$python" /usr/bin/time timeout
for tool in "${tools[@]}"; do
    case $tool in
    harvo) ;;
    wget) require_programs wget ;;
    wget2) command -v wget2 >/dev/null || fail "wget2 is missing (apt-get install wget2)" ;;
    *) fail "unknown tool: $tool" ;;
    esac
done
[ "$changed" -ge 1 ] && [ "$changed" -le "$pages" ] || fail "--changed takes 1 to $pages"
harvo=${harvo:-${HARVO_BUILD_DIR:-$top/build}/src/app/harvo-cli}
if [[ " ${tools[*]} " == *" harvo "* ]]; then
    [ -x "$harvo" ] || fail "harvo-cli not found at $harvo (build it, or pass --harvo PATH)"
    harvo=$(cd "$(dirname "$harvo")" && pwd)/$(basename "$harvo")
    [[ $("$harvo" --help 2>&1) == *--state-dir* ]] || fail "$harvo has no --state-dir option"
fi

mkdir -p "$workdir"
workdir=$(cd "$workdir" && pwd)
site=$workdir/site-$pages
originals=$workdir/originals-$pages
logs=$workdir/logs
access_log=$workdir/access.log
mkdir -p "$logs"
# harvo-cli keeps its crawl state in the work folder even where --state-dir
# does not reach.
export XDG_CACHE_HOME=$workdir/cache

cleanup() {
    stop_tool
    stop_relays
    stop_nginx
    restore_pages
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the changing pages ---------------------------------------------------------

# Every (pages / changed)-th page in path order, with their original content
# and modification time kept in $originals for the restore. A copy kept for
# another generation of the site is dropped.
pick_pages() {
    if ! cmp -s "$site/.gen_site" "$originals/.gen_site" 2>/dev/null; then
        rm -rf "$originals"
    fi
    if [ ! -d "$originals" ]; then
        mapfile -t changed_pages < <(cd "$site" && find . -name '*.html' | LC_ALL=C sort |
            awk -v step=$((pages / changed)) -v n="$changed" 'NR % step == 0 && ++taken <= n')
        rm -rf "$originals.tmp"
        mkdir -p "$originals.tmp"
        (cd "$site" && cp -p --parents "${changed_pages[@]}" .gen_site "$originals.tmp")
        mv "$originals.tmp" "$originals"
    fi
    mapfile -t changed_pages < <(cd "$originals" && find . -name '*.html' | LC_ALL=C sort)
    [ "${#changed_pages[@]}" -eq "$changed" ] || fail "picked ${#changed_pages[@]} pages, not $changed"
}

# A paragraph more before </body>, and the modification time of now. HTTP
# dates have whole seconds: the new time falls in a later second than any file
# the first run wrote, so that a copy's file times do not pass for current.
change_pages() { # round
    local page
    sleep 1.1
    for page in "${changed_pages[@]}"; do
        sed -i "s|</body>|<p>Changed for round $1 of the update benchmark.</p>\n</body>|" "$site/$page"
        touch "$site/$page"
    done
}

restore_pages() {
    if [ -d "$originals" ] && [ "${#changed_pages[@]}" -gt 0 ]; then
        (cd "$originals" && cp -p --parents "${changed_pages[@]}" "$site")
    fi
}

# --- tools ------------------------------------------------------------------------

# Each run_TOOL name url out fresh: fresh 1 starts from an empty folder (and
# an empty crawl state), 0 runs over what the last run left.
runner() { # fresh
    if [ "$1" = 1 ]; then echo run_measured; else echo run_measured_over; fi
}

# wget keeps the pages as received (-K) for -N to compare, and asks with HEAD
# requests: after a 304 to its If-Modified-Since, wget 1.21 does not follow the
# links of the page it already has, so the copy would end at the start page.
run_wget() {
    "$(runner "$4")" "$1" "$3" wget -N -K --no-if-modified-since "${wget_options[@]}" -P "$3" "$2"
}

# wget2 follows the links of a page that came back 304, and takes the
# converted pages' file times for its If-Modified-Since.
run_wget2() {
    "$(runner "$4")" "$1" "$3" wget2 -N "${wget2_options[@]}" -P "$3" "$2"
}

run_harvo() {
    local config=$workdir/bench.ini state=$workdir/state-harvo
    if [ "$4" = 1 ]; then
        rm -rf "$state" "$XDG_CACHE_HOME"
        mkdir -p "$state"
    fi
    "$python" "$bench/write_hrv_config.py" "$config" --name bench --url "$2" --outdir "$3" \
        --complete-pages --update-requests
    "$(runner "$4")" "$1" "$3" "$harvo" -config "$config" -outdir "$3" --state-dir "$state" -start bench
}

# "body_bytes replies_200 replies_304 other_replies head_requests" of the
# access log's lines after the first $1, which go to $logs/name.access.
replies_since() { # lines name
    tail -n "+$(($1 + 1))" "$access_log" >"$logs/$2.access"
    awk '{ bytes += $2; if ($1 == 200) ok++; else if ($1 == 304) same++; else other++; if ($3 == "\"HEAD") head++ }
        END { printf "%d %d %d %d %d\n", bytes, ok, same, other, head }' "$logs/$2.access"
}

# --- the run ------------------------------------------------------------------------

"$python" "$bench/gen_site.py" --pages "$pages" "$site"
changed_pages=()
pick_pages
restore_pages # after an interrupted run
site_files=$(find "$site" -type f ! -name .gen_site | wc -l)
: >"$access_log"
start_servers "$access_log"
for scheme in "${scheme_list[@]}"; do
    start_relay "$scheme" $((tool_timeout * 2 * rounds * ${#tools[@]} * ${#scheme_list[@]} + 600))
done
echo "site: $pages pages, $site_files files, $changed pages changed between the runs;" \
    "nginx on 127.0.0.1 ($schemes) through a relay delaying each chunk ${delay}s per direction;" \
    "$(nproc) cores, shared with whatever else runs"

results=$logs/results.txt
: >"$results"
printf '%-5s %-6s %-5s %-6s %8s %8s %10s %6s %6s %5s %5s %5s %6s\n' \
    round tool proto run wall_s cpu_s body_KB 200s 304s other HEADs exit files
for ((round = 1; round <= rounds; round++)); do
    # Each round starts with the next tool, so that no tool always runs first.
    shift_by=$(((round - 1) % ${#tools[@]}))
    order=("${tools[@]:shift_by}" "${tools[@]:0:shift_by}")
    for scheme in "${scheme_list[@]}"; do
        url=$scheme://127.0.0.1:${relay_port[$scheme]}/
        for tool in "${order[@]}"; do
            for run in first second; do
                if [ "$run" = second ]; then
                    change_pages "$round"
                fi
                name=$tool-$scheme-$round-$run
                lines=$(wc -l <"$access_log")
                "run_$tool" "$name" "$url" "$workdir/out-$tool" "$([ "$run" = first ] && echo 1 || echo 0)"
                read -r wall cpu _ _ _ status files <"$logs/$name.summary"
                read -r bytes ok same other head < <(replies_since "$lines" "$name")
                echo "$tool-$scheme-$run $wall $cpu $bytes $ok $same $other $head" >>"$results"
                printf '%-5s %-6s %-5s %-6s %8.2f %8.2f %10.1f %6d %6d %5d %5d %5s %6d\n' "$round" "$tool" \
                    "$scheme" "$run" "$wall" "$cpu" "$(awk -v b="$bytes" 'BEGIN { print b / 1024 }')" "$ok" "$same" \
                    "$other" "$head" "$status" "$files"
                if [ "$files" -lt "$site_files" ]; then
                    echo "warning: $tool saved $files files of the site's $site_files (log: $logs/$name.log)" >&2
                fi
                if [ "$status" != 0 ]; then
                    echo "warning: $tool exited with status $status (log: $logs/$name.log)" >&2
                fi
            done
            restore_pages
        done
    done
done

# Medians over the rounds, the second run's share of the first run's bytes,
# and the targets: harvo-cli's second run sends at most 2% of its first run's
# bytes and takes no longer than wget2 -N's.
echo
medians "$results" | awk '
    { n = split($1, k, "-"); key = k[1] "-" k[2]; run = k[3]
      wall[key, run] = $2; bytes[key, run] = $4; keys[key] = 1; if (k[1] == "harvo") harvo = 1
      printf "median %-12s %-6s wall %7.2f s, cpu %6.2f s, body %9.1f KB, 200: %d, 304: %d, other: %d, HEAD: %d\n",
          key, run, $2, $3, $4 / 1024, $5, $6, $7, $8 }
    END {
        if (!harvo) print "targets: harvo-cli not measured"
        for (key in keys)
            if (bytes[key, "first"] > 0)
                printf "second / first run body bytes, %-12s %.2f%%\n", key ":",
                    100 * bytes[key, "second"] / bytes[key, "first"]
        for (key in keys) {
            split(key, k, "-"); scheme = k[2]
            if (k[1] != "harvo") continue
            peer = "wget2-" scheme
            share = bytes[key, "first"] > 0 ? bytes[key, "second"] / bytes[key, "first"] : 1
            line = sprintf("targets %s: second run body %.2f%% of the first (at most 2%%): %s", scheme,
                100 * share, share <= 0.02 ? "pass" : "FAIL")
            if ((peer, "second") in wall) {
                own = wall[key, "second"]; theirs = wall[peer, "second"]
                line = line sprintf("; second run wall %.2f s vs wget2 -N %.2f s (%.2fx): %s", own, theirs,
                    theirs > 0 ? own / theirs : 0, own <= theirs ? "pass" : "FAIL")
            } else
                line = line "; wget2 not measured"
            print line
        }
    }
'
rm -rf "$workdir"/out-*
