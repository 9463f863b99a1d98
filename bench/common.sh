# Shared by the whole-crawl benchmarks (sourced, not run). The caller sets
# workdir, logs, python and tool_timeout (the network benchmarks also bench,
# site, delay and scheme_list), and calls stop_tool, stop_relays and
# stop_nginx from its exit trap.

nginx_pid=
tool_pid=
relay_pids=()
declare -A server_port relay_port

# The peers' options in the network benchmarks: recursive without a depth
# limit, below the start folder, with page requisites and converted links.
wget_options=(-r -l inf -np -k -p -e robots=off --no-check-certificate -nv -nH)
wget2_options=(-r -l inf -np -k -p --robots=off --no-check-certificate -nv -nH)

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

stop_relays() {
    local pid
    for pid in "${relay_pids[@]}"; do
        stop_process "$pid"
    done
    relay_pids=()
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

# start_nginx root server_blocks [access_log]: serves root with the given
# server blocks (each with its own listen line) and sets nginx_pid. Plain
# files, no compression (wget asks for none), and an access log only when one
# is asked for, as lines "status body_bytes_sent request": the server should
# cost the same for every tool and as little as possible. A file counts as
# not modified since any time at or after its modification time, as on most
# servers, so that a copy's own file times can serve as validators.
start_nginx() {
    local root=$1 servers=$2 access=${3:-} prefix=$workdir/nginx port
    local logging="access_log off;"
    if [ -n "$access" ]; then
        logging="log_format bench '\$status \$body_bytes_sent \"\$request\"'; access_log $access bench;"
    fi
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
    $logging
    if_modified_since before;
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

make_certificate() { # sets cert and key
    cert=$workdir/cert.pem
    key=$workdir/key.pem
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
        -addext subjectAltName=IP:127.0.0.1 -keyout "$key" -out "$cert" 2>"$logs/openssl.log" ||
        fail "openssl could not make a certificate: $(cat "$logs/openssl.log")"
}

# start_servers [access_log]: nginx serving $site for each scheme of
# scheme_list (https with HTTP/2 and a self-signed certificate) on a port of
# its own, in server_port.
start_servers() {
    local servers="" scheme
    for scheme in "${scheme_list[@]}"; do
        server_port[$scheme]=$(free_port)
        case $scheme in
        http) servers+="    server { listen 127.0.0.1:${server_port[http]}; }"$'\n' ;;
        https)
            make_certificate
            servers+="    server { listen 127.0.0.1:${server_port[https]} ssl http2;"
            servers+=" ssl_certificate $cert; ssl_certificate_key $key; }"$'\n'
            ;;
        *) fail "unknown scheme: $scheme" ;;
        esac
    done
    start_nginx "$site" "$servers" "${1:-}"
}

# start_relay scheme lifetime: the delaying relay in front of the scheme's
# server, on the port in relay_port; it exits by itself after lifetime
# seconds, which should cover every run that goes through it.
start_relay() {
    local scheme=$1 lifetime=$2
    relay_port[$scheme]=$(free_port)
    "$python" "$bench/delay_relay.py" --target-port "${server_port[$scheme]}" \
        --listen-port "${relay_port[$scheme]}" --delay "$delay" --count-file "$workdir/relay-$scheme.count" \
        --lifetime "$lifetime" >"$logs/relay-$scheme.log" 2>&1 &
    relay_pids+=($!)
    wait_for_port "${relay_port[$scheme]}" "$!" "the relay" ||
        fail "the relay did not start: $(cat "$logs/relay-$scheme.log")"
}

accepted() { # scheme: connections the relay has accepted so far
    cat "$workdir/relay-$1.count"
}

# run_measured name outdir command...: empties outdir, then measures the
# command as run_measured_over does.
run_measured() {
    rm -rf "$2"
    mkdir -p "$2"
    run_measured_over "$@"
}

# run_measured_over name outdir command...: runs the command under GNU time in
# its own process group (so that an interrupt stops all of it) over what
# outdir holds and writes "wall cpu user sys maxrss_kb exit files" to
# $logs/name.summary.
run_measured_over() {
    local name=$1 out=$2
    shift 2
    local timing=$logs/$name.time
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
