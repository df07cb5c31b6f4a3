#!/bin/sh
# File to file throughput of veilpane-cli encrypt/decrypt against openssl enc with the same key and IV,
# side by side on one file (1 GiB by default), page cache warm. Also reports the peak memory of our runs.
#   bench/compare_openssl.sh [BUILD_DIR] [size in MiB]
set -eu
CLI=${1:-build}/bin/veilpane-cli
MIB=${2:-1024}
PW=bench-password
[ -x "$CLI" ] || { echo "$CLI not found: build first (./scripts/test.sh)" >&2; exit 1; }
OPENSSL=$(command -v openssl || true)
if [ -z "$OPENSSL" ]; then
    echo "openssl is not installed (./scripts/setup.sh): only veilpane is measured"
fi
WORK=$(mktemp -d "${TMPDIR:-/tmp}/veilpane-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

if [ -n "$OPENSSL" ]; then
    # Key and IV: the first 48 bytes of PBKDF2-HMAC-SHA512(password, no salt, 8000 iterations).
    KEYIV=$(openssl kdf -keylen 48 -kdfopt digest:SHA512 -kdfopt pass:$PW -kdfopt hexsalt: -kdfopt iter:8000 \
            PBKDF2 | tr -d ':\n' | tr 'A-F' 'a-f')
    KEY=$(printf %s "$KEYIV" | cut -c1-64)
    IV=$(printf %s "$KEYIV" | cut -c65-96)
fi

head -c $((MIB * 1048576)) /dev/urandom > "$WORK/plain"
cat "$WORK/plain" > /dev/null
BYTES=$((MIB * 1048576))

now() { date +%s.%N; }
rate() { echo "$BYTES $1 $2" | awk '{ printf "%.0f", $1 / ($3 - $2) / 1e6 }'; }
best() { # best of three runs of "$@", in MB/s
    b=0
    for _ in 1 2 3; do
        t0=$(now); "$@"; t1=$(now)
        r=$(rate "$t0" "$t1"); [ "$r" -gt "$b" ] && b=$r
    done
    echo "$b"
}

enc_openssl() { openssl enc -aes-256-cbc -K "$KEY" -iv "$IV" -in "$WORK/plain" -out "$WORK/ref.cry"; }
dec_openssl() { openssl enc -d -aes-256-cbc -K "$KEY" -iv "$IV" -in "$WORK/ref.cry" -out "$WORK/ref.out"; }
# Ours: each run consumes its input, so a fresh copy is made before it, outside the timed part.
timed() { t0=$(now); "$@" > /dev/null; t1=$(now); rate "$t0" "$t1"; }

if [ -n "$OPENSSL" ]; then
    OE=$(best enc_openssl)
    OD=$(best dec_openssl)
fi
E=0; D=0
for _ in 1 2 3; do
    rm -f "$WORK/ours.cry"; cp "$WORK/plain" "$WORK/ours"; cat "$WORK/ours" > /dev/null
    r=$(timed "$CLI" encrypt "$WORK/ours" -p $PW); [ "$r" -gt "$E" ] && E=$r
done
if [ -n "$OPENSSL" ]; then
    cmp "$WORK/ours.cry" "$WORK/ref.cry" && echo "the .cry file is byte for byte openssl's"
else
    mv "$WORK/ours.cry" "$WORK/ref.cry" # what the decryptions below start from
fi
for _ in 1 2 3; do
    rm -f "$WORK/ours"; cp "$WORK/ref.cry" "$WORK/ours.cry"; cat "$WORK/ours.cry" > /dev/null
    r=$(timed "$CLI" decrypt "$WORK/ours.cry" -p $PW); [ "$r" -gt "$D" ] && D=$r
done
cmp "$WORK/ours" "$WORK/plain" && echo "decrypted back to the original"

echo "file: $MIB MiB"
if [ -n "$OPENSSL" ]; then
    echo "encrypt: openssl $OE MB/s, veilpane $E MB/s, ratio $(echo "$E $OE" | awk '{ printf "%.2f", $1 / $2 }')"
    echo "decrypt: openssl $OD MB/s, veilpane $D MB/s, ratio $(echo "$D $OD" | awk '{ printf "%.2f", $1 / $2 }')"
else
    echo "encrypt: veilpane $E MB/s"
    echo "decrypt: veilpane $D MB/s"
fi
if [ -x /usr/bin/time ]; then
    rm -f "$WORK/ours.cry"; cp "$WORK/plain" "$WORK/ours"
    /usr/bin/time -f "peak memory of veilpane-cli encrypt: %M KiB" "$CLI" encrypt "$WORK/ours" -p $PW > /dev/null
fi
