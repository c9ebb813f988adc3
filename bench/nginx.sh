# Sourced by the benchmark scripts: nginx on a free 127.0.0.1 port with a private configuration
# that serves one folder (the shape of tests/testsupport/NginxServer.cpp).
#   start_nginx <root folder>   sets NGINX_PORT; fails when nginx does not come up
#   stop_nginx                  stops it and removes its folder

NGINX_PID=""
NGINX_PREFIX=""
NGINX_PORT=""

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_nginx() {
    local root="$1" nginx attempt tries
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    [ -x "$nginx" ] || { echo "nginx is not installed (scripts/setup.sh installs it)" >&2; return 1; }
    NGINX_PREFIX=$(mktemp -d /tmp/tarnwick-bench-nginx-XXXXXX)
    mkdir -p "$NGINX_PREFIX/logs"
    for attempt in 1 2 3 4 5; do
        NGINX_PORT=$(free_port)
        {
            echo "daemon off; master_process off; worker_processes 1;"
            if [ "$(id -u)" -eq 0 ]; then echo "user root;"; fi
            echo "error_log $NGINX_PREFIX/logs/error.log; pid $NGINX_PREFIX/nginx.pid;"
            echo "events { worker_connections 1024; }"
            echo "http { access_log off; sendfile on; client_body_temp_path $NGINX_PREFIX/body;"
            echo "  proxy_temp_path $NGINX_PREFIX/proxy; fastcgi_temp_path $NGINX_PREFIX/fastcgi;"
            echo "  uwsgi_temp_path $NGINX_PREFIX/uwsgi; scgi_temp_path $NGINX_PREFIX/scgi;"
            echo "  server { listen 127.0.0.1:$NGINX_PORT; root $root; } }"
        } >"$NGINX_PREFIX/nginx.conf"
        "$nginx" -c "$NGINX_PREFIX/nginx.conf" -p "$NGINX_PREFIX/" &
        NGINX_PID=$!
        # Up to five seconds for the port to open.
        for tries in $(seq 100); do
            if (exec 3<>"/dev/tcp/127.0.0.1/$NGINX_PORT") 2>/dev/null; then return 0; fi
            kill -0 "$NGINX_PID" 2>/dev/null || break
            sleep 0.05
        done
        kill "$NGINX_PID" 2>/dev/null || true
        wait "$NGINX_PID" 2>/dev/null || true
        NGINX_PID=""
    done
    echo "nginx did not start: $(tail -3 "$NGINX_PREFIX/logs/error.log" 2>/dev/null)" >&2
    return 1
}

stop_nginx() {
    # Failures are ignored: this runs in the exit trap of scripts under "set -e", where nginx may
    # be gone already and a failed step would skip the clean-up after it.
    if [ -n "$NGINX_PID" ]; then
        kill "$NGINX_PID" 2>/dev/null || true
        wait "$NGINX_PID" 2>/dev/null || true
        NGINX_PID=""
    fi
    if [ -n "$NGINX_PREFIX" ]; then rm -rf "$NGINX_PREFIX"; NGINX_PREFIX=""; fi
}
