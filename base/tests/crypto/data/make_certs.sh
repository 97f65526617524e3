#!/usr/bin/env bash
# Makes the test certificates of the crypto tests with the openssl command. Run it in this folder;
# the results are committed so that the tests do not depend on the command being installed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
days=36500

# The test authority and a stranger authority that the client does not know.
openssl genrsa -out ca.key.pem 1024 2>/dev/null
openssl req -x509 -new -key ca.key.pem -sha1 -days $days -subj "/C=KR/O=Larkspin Test/CN=Larkspin Test CA" \
  -outform DER -out ca.der
openssl genrsa -out stranger.key.pem 1024 2>/dev/null
openssl req -x509 -new -key stranger.key.pem -sha1 -days $days -subj "/C=KR/O=Elsewhere/CN=Stranger CA" \
  -outform DER -out "$tmp/stranger_ca.der"
openssl x509 -inform DER -in "$tmp/stranger_ca.der" -out "$tmp/stranger_ca.pem"
openssl x509 -inform DER -in ca.der -out "$tmp/ca.pem"

# sign <key pem> <subject> <serial> <out der> [authority pem] [authority key] [digest]
sign() {
  openssl req -new -key "$1" -subj "$2" -out "$tmp/req.csr"
  openssl x509 -req -in "$tmp/req.csr" -CA "${5:-$tmp/ca.pem}" -CAkey "${6:-ca.key.pem}" -set_serial "$3" \
    -days $days -"${7:-sha1}" -outform DER -out "$4" 2>/dev/null
}

openssl genrsa -out server.key.pem 1024 2>/dev/null
sign server.key.pem "/C=KR/O=Larkspin Test/CN=trading server" 1001 server.der
sign server.key.pem "/C=KR/O=Larkspin Test/CN=trading server" 1002 stranger_signed.der "$tmp/stranger_ca.pem" stranger.key.pem
sign server.key.pem "/C=KR/O=Larkspin Test/CN=trading server" 1003 sha256_signed.der "" "" sha256
openssl genrsa -out big2048.key.pem 2048 2>/dev/null
sign big2048.key.pem "/C=KR/O=Larkspin Test/CN=wide key" 1004 key2048.der
openssl genrsa -out big4096.key.pem 4096 2>/dev/null
sign big4096.key.pem "/C=KR/O=Larkspin Test/CN=oversized key" 1005 key4096.der
rm -f big4096.key.pem

# A small certificate (short key, short names, version 1) whose signed part has a 3-byte header.
openssl genrsa -out small.key.pem 512 2>/dev/null
sign small.key.pem "/CN=s" 1006 small.der

# Keys whose lengths are not whole 64-bit words, for the arithmetic.
for bits in 1000 1056 1592; do openssl genrsa -out odd$bits.key.pem $bits 2>/dev/null; done

# A certificate larger than 2,048 bytes (many alternative names).
make_large() {
  local tmpdir="$1"
  openssl x509 -inform DER -in ca.der -out "$tmpdir/ca.pem"
  { echo "subjectAltName = @names"; echo "[names]"; for i in $(seq 1 120); do echo "DNS.$i = host$i.trading.larkspin.test"; done; } > "$tmpdir/ext.cnf"
  openssl req -new -key server.key.pem -subj "/C=KR/O=Larkspin Test/CN=large" -out "$tmpdir/large.csr"
  openssl x509 -req -in "$tmpdir/large.csr" -CA "$tmpdir/ca.pem" -CAkey ca.key.pem -set_serial 1007 -days $days \
    -sha1 -extfile "$tmpdir/ext.cnf" -outform DER -out large.der 2>/dev/null
}
make_large "$tmp"

# A certificate whose signature starts with a zero byte.
serial=2000
while :; do
  sign server.key.pem "/C=KR/O=Larkspin Test/CN=trading server" $serial "$tmp/z.der"
  size=$(stat -c %s "$tmp/z.der")
  first=$(od -An -tx1 -j $((size - 128)) -N1 "$tmp/z.der" | tr -d ' ')
  if [ "$first" = "00" ]; then cp "$tmp/z.der" zero_lead_signature.der; break; fi
  serial=$((serial + 1))
done
echo "zero-led signature at serial $serial"
