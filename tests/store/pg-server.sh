#!/usr/bin/env bash
# A PostgreSQL 15 server of the tests' own: a cluster in a temporary folder,
# run by an unprivileged user, listening only on a Unix socket in that folder.
# Usage: pg-server.sh start   prints the folder; its file "url" holds the URL
#        pg-server.sh stop DIR
# Role "kwatrix" logs in without a password; role "kw_secret" only with the
# password in the folder's file "secret", for the tests of a refused login.
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
case "${1:-}" in
start)
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kwatrix-pg-XXXXXX")
    run=()
    if [ "$(id -u)" -eq 0 ]; then
        # initdb refuses root; the server runs as "nobody".
        chown nobody "$dir"
        run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
    chmod 755 "$dir"
    "${run[@]}" "$bin/initdb" -D "$dir/data" -U kwatrix -A trust --no-sync -E UTF8 \
        --locale=C.UTF-8 > "$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    cat > "$dir/data/pg_hba.conf" <<HBA
local all kw_secret scram-sha-256
local all all trust
HBA
    "${run[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c max_connections=60" \
        start > /dev/null || { cat "$dir/server.log" >&2; exit 1; }
    secret="pw-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
    "${run[@]}" "$bin/psql" -q -h "$dir" -U kwatrix -d postgres -v ON_ERROR_STOP=1 \
        -c "CREATE DATABASE kwatrix" \
        -c "CREATE ROLE kw_secret LOGIN PASSWORD '$secret'" \
        -c "CREATE DATABASE kwatrix_secret OWNER kw_secret" > /dev/null
    echo "$secret" > "$dir/secret"
    echo "postgresql:///kwatrix?host=$dir&user=kwatrix" > "$dir/url"
    echo "$dir"
    ;;
stop)
    dir=${2:?usage: pg-server.sh stop DIR}
    run=()
    [ "$(id -u)" -eq 0 ] && run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${run[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: pg-server.sh start | stop DIR" >&2
    exit 2
    ;;
esac
