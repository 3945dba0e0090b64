#!/usr/bin/env bash
# --checksum with table 2 on a server behind a slow link of its own (scripts/slowlink, beside any
# bench's): the lines of --key alone, and a small part of the bytes across the link.
#   checksum_over_slowlink.sh KESTRUNE
# Needs root, as the link does; skipped (77) without it.
set -euo pipefail

kestrune=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || {
    echo "needs root for the link"
    exit 77
}
export KESTRUNE_LINK=test KESTRUNE_LINK_NET=48 KESTRUNE_FAR_PORT=33067
export KESTRUNE_FAR_DIR=$root/.db/link-test
work=$(mktemp -d)
trap '"$root/scripts/slowlink" stop >/dev/null; rm -rf "$work"' EXIT
"$root/scripts/slowlink" start >/dev/null
read -r far_host far_port < <("$root/scripts/slowlink" address)

near=(mariadb --no-defaults -h127.0.0.1 -P"${KESTRUNE_TEST_PORT:-33062}" -ukes -pkes-pw)
far=(mariadb --no-defaults -h"$far_host" -P"$far_port" -ukes -pkes-pw)
table="CREATE TABLE t (id INT PRIMARY KEY, v VARCHAR(40), n INT);
INSERT INTO t SELECT seq, CONCAT('value ', seq), seq % 13 FROM seq_1_to_200000;"
"${near[@]}" -e "DROP DATABASE IF EXISTS kt_link; CREATE DATABASE kt_link; USE kt_link; $table"
"${far[@]}" -e "DROP DATABASE IF EXISTS kt_link; CREATE DATABASE kt_link; USE kt_link; $table
UPDATE t SET v = 'changed' WHERE id IN (3, 100000); UPDATE t SET n = NULL WHERE id = 199999;
DELETE FROM t WHERE id = 150000; INSERT INTO t VALUES (200001, 'new', 1);"

echo kes-pw >"$work/password"
sent() { "${far[@]}" -N -e "SHOW GLOBAL STATUS LIKE 'Bytes_sent'" | cut -f2; }
compare() {
    XDG_CONFIG_HOME=$work "$kestrune" --compare t t --server 127.0.0.1 \
        --port "${KESTRUNE_TEST_PORT:-33062}" --user kes --database kt_link \
        --password-file "$work/password" --server2 "$far_host" --port2 "$far_port" \
        --password-file2 "$work/password" --key id "$@"
}
status=0
before=$(sent)
compare >"$work/key.txt" || status=$?
[ "$status" -eq 1 ] || {
    echo "--key: status $status"
    exit 1
}
by_key=$(($(sent) - before))
before=$(sent)
compare --checksum >"$work/checksum.txt" || status=$?
[ "$status" -eq 1 ] || {
    echo "--checksum: status $status"
    exit 1
}
checked=$(($(sent) - before))

cmp "$work/key.txt" "$work/checksum.txt"
[ "$(wc -l <"$work/key.txt")" -eq 5 ] || {
    echo "expected 5 lines:"
    cat "$work/key.txt"
    exit 1
}
echo "bytes from the far server: $by_key by key, $checked with --checksum"
[ $((checked * 20)) -lt "$by_key" ] || {
    echo "--checksum took more than a twentieth of the bytes"
    exit 1
}
