# Shared by the whole-crawl benchmarks (sourced, not run). The caller sets
# workdir, logs, python and tool_timeout, and calls stop_servers and
# stop_tool from its exit trap.

nginx_pid=
tool_pid=

fail() {
    echo "error: $*" >&2
    exit 1
}

require_programs() { # program...
    local program
    for program in "$@"; do
        command -v "$program" >/dev/null || [ -x "/usr/sbin/$program" ] ||
            fail "$program is missing (run scripts/install-deps)"
    done
}

stop_process() { # pid: TERM, up to 5 s, then KILL
    local pid=$1 i
    kill -s TERM -- "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 100; i++)); do
        kill -0 -- "$pid" 2>/dev/null || return 0
        sleep 0.05
    done
    kill -s KILL -- "$pid" 2>/dev/null || true
}

stop_tool() {
    if [ -n "$tool_pid" ]; then
        stop_process "-$tool_pid" # the tool's whole process group
    fi
}

stop_nginx() {
    if [ -n "$nginx_pid" ]; then
        stop_process "$nginx_pid"
        wait "$nginx_pid" 2>/dev/null || true
        nginx_pid=
    fi
}

free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_port() { # port pid what: until the port accepts, at most 10 s
    local port=$1 pid=$2 what=$3 i
    for ((i = 0; i < 200; i++)); do
        kill -0 "$pid" 2>/dev/null || return 1
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        sleep 0.05
    done
    fail "$what did not accept connections on port $port within 10 s"
}

# start_nginx root server_blocks: serves root with the given server blocks
# (each with its own listen line) and sets nginx_pid. Plain files, no
# compression (wget asks for none), no access log: the server should cost the
# same for every tool and as little as possible.
start_nginx() {
    local root=$1 servers=$2 prefix=$workdir/nginx port
    rm -rf "$prefix"
    mkdir -p "$prefix"
    cat >"$prefix/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $prefix/nginx.pid;
error_log $prefix/error.log warn;
events { worker_connections 1024; }
http {
    include /etc/nginx/mime.types;
    default_type application/octet-stream;
    client_body_temp_path $prefix/client_body;
    proxy_temp_path $prefix/proxy;
    fastcgi_temp_path $prefix/fastcgi;
    uwsgi_temp_path $prefix/uwsgi;
    scgi_temp_path $prefix/scgi;
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_requests 1000000;
    keepalive_timeout 60s;
    root $root;
$servers
}
EOF
    nginx -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/error.log" >"$prefix/output.log" 2>&1 &
    nginx_pid=$!
    for port in $(sed -n 's/.*listen 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$prefix/nginx.conf"); do
        wait_for_port "$port" "$nginx_pid" nginx ||
            fail "nginx did not start: $(cat "$prefix/error.log" "$prefix/output.log")"
    done
}

# run_measured name outdir command...: runs the command under GNU time in its
# own process group (so that an interrupt stops all of it) and writes
# "wall cpu user sys maxrss_kb exit files" to $logs/name.summary.
run_measured() {
    local name=$1 out=$2
    shift 2
    local timing=$logs/$name.time
    rm -rf "$out"
    mkdir -p "$out"
    # timeout makes its own process group, which holds GNU time and the tool.
    timeout --kill-after=10 "$tool_timeout" /usr/bin/time -v -o "$timing" "$@" >"$logs/$name.log" 2>&1 &
    tool_pid=$!
    wait "$tool_pid" || true
    tool_pid=
    local files
    files=$(find "$out" -type f | wc -l)
    awk -v files="$files" '
        /User time/ { user = $NF }
        /System time/ { sys = $NF }
        /Maximum resident set size/ { rss = $NF }
        /Exit status/ { status = $NF }
        /Elapsed \(wall clock\)/ {
            n = split($NF, t, ":"); wall = 0
            for (i = 1; i <= n; i++) wall = wall * 60 + t[i]
        }
        END { printf "%.2f %.2f %.2f %.2f %d %s %d\n", wall, user + sys, user, sys, rss, status, files }
    ' "$timing" >"$logs/$name.summary"
}

# The median of each column per key of a file of lines "key value...".
# Prints "key median..." per key, keys sorted.
medians() { # file
    awk '
        function median(key, field,    n, i, j, t, v) {
            n = count[key]
            for (i = 1; i <= n; i++) v[i] = value[key, field, i]
            for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        {
            n = ++count[$1]
            if (NF > fields) fields = NF
            for (f = 2; f <= NF; f++) value[$1, f, n] = $f
        }
        END {
            for (key in count) {
                line = key
                for (f = 2; f <= fields; f++) line = line " " median(key, f)
                print line
            }
        }
    ' "$1" | sort
}
