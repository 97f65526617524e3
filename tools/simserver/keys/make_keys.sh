#!/usr/bin/env bash
# Makes the simulated trading server's test keys with the openssl command:
#   test_ca.der          certificate of the test authority (self-signed, RSA 1024, sha1WithRSAEncryption)
#   test_ca_key.pem      the authority's private key (only needed to sign a new server certificate)
#   test_server.der      the server's certificate, signed by the test authority (what the device
#                        keeps as "\pelvato.der" and what the server pushes as record type 10)
#   test_server_key.pem  the server's private key (deciphers the client's pre-master secret)
#   test_ca_key.h        the authority's certificate, name identifier, modulus and exponent as C arrays,
#                        for the client's authority table
# The files are committed; run this only to replace them (they change on every run).
# Usage: make_keys.sh [output folder]   (default: the folder of this script)
set -euo pipefail
out="${1:-$(cd "$(dirname "$0")" && pwd)}"
mkdir -p "$out"
cd "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

openssl genrsa -out test_ca_key.pem 1024 2>/dev/null
openssl req -new -x509 -sha1 -key test_ca_key.pem -days 7300 -set_serial 1 \
  -subj "/C=KR/O=Larkspin Test/CN=Larkspin Test Authority" -outform DER -out test_ca.der
openssl genrsa -out test_server_key.pem 1024 2>/dev/null
openssl req -new -sha1 -key test_server_key.pem -subj "/C=KR/O=Larkspin Test/CN=Larkspin Trading Server" \
  -out "$tmp/server.csr"
openssl x509 -req -sha1 -in "$tmp/server.csr" -CA test_ca.der -CAform DER -CAkey test_ca_key.pem \
  -set_serial 2 -days 7300 -outform DER -out test_server.der 2>/dev/null

# Prints a file as the body of a C byte array.
bytes() { od -An -v -tx1 "$1" | awk '{for(i=1;i<=NF;i++){printf "%s0x%s,", (n%12==0?"\n    ":" "), $i; n++}} END{print ""}'; }

# The authority's subject name (the sixth element of the to-be-signed part, counting the version)
# is what a certificate's issuer name must hash to.
line=$(openssl asn1parse -inform DER -in test_ca.der | awk '/d=2/ {n++; if (n==6) {print; exit}}')
off=$(echo "$line" | sed -E 's/^ *([0-9]+):.*/\1/')
hl=$(echo "$line" | sed -E 's/.*hl= *([0-9]+).*/\1/')
len=$(echo "$line" | sed -E 's/.*l= *([0-9]+) cons.*/\1/')
dd if=test_ca.der of="$tmp/name.der" bs=1 skip="$off" count=$((hl + len)) status=none
openssl dgst -sha1 -binary "$tmp/name.der" > "$tmp/name.sha1"

openssl rsa -in test_ca_key.pem -noout -modulus 2>/dev/null | sed 's/^Modulus=//' | xxd -r -p > "$tmp/mod.bin"
exp=$(openssl rsa -in test_ca_key.pem -noout -text 2>/dev/null | awk '/publicExponent/ {print $2}')

{
  echo "// Test certificate authority of the simulated trading server (made by make_keys.sh)."
  echo "// The server certificate test_server.der is signed by this authority with sha1WithRSAEncryption."
  echo "#pragma once"
  echo "#include <cstdint>"
  echo
  echo "// DER certificate of the authority."
  echo "static const uint8_t kTestCaCertificate[] = {$(bytes test_ca.der)};"
  echo
  echo "// SHA-1 of the DER encoding of the authority's name (tag and length included): the identifier"
  echo "// under which a certificate's issuer name finds the authority."
  echo "static const uint8_t kTestCaNameId[20] = {$(bytes "$tmp/name.sha1")};"
  echo
  echo "// RSA public key of the authority: modulus (big-endian, $(stat -c %s "$tmp/mod.bin") bytes) and exponent."
  echo "static const uint8_t kTestCaModulus[] = {$(bytes "$tmp/mod.bin")};"
  echo "static const uint32_t kTestCaExponent = ${exp};"
} > test_ca_key.h
echo "test keys written to $out"
