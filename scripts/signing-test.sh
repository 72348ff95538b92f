#!/usr/bin/env bash
# Signing as a release build does it, with a throw-away certificate authority and code-signing
# certificate made here: the program, the NSIS setup (and the uninstaller it carries) and the
# Windows Installer package are signed through packaging/windows/sign.sh and each signature
# verifies against that authority; without a certificate the files stay unsigned and the build
# says so.
#   scripts/signing-test.sh [windows-build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
exe="$build/bin/zr40tool.exe"
[ -f "$exe" ] || { echo "signing: no $exe" >&2; exit 1; }
fail() {
  echo "signing: FAILED: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=Zr40Tool throw-away CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/CN=Zr40Tool throw-away signer" 2>/dev/null
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile signer.ext -out signer.pem 2>/dev/null
password="pass word;\$x"
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 \
  -passout "pass:$password"
cd - >/dev/null
sign=packaging/windows/sign.sh
cp "$exe" "$work/zr40tool.exe"

# Without a certificate nothing is signed, and that is said.
said=$(env -u ZR40_SIGN_PKCS12 bash "$sign" "$work/zr40tool.exe")
grep -q "zr40tool.exe left unsigned" <<<"$said" || fail "no word about the unsigned program: $said"
! osslsigncode verify -CAfile "$work/ca.pem" -in "$work/zr40tool.exe" >/dev/null 2>&1 ||
  fail "a signature without a certificate"

export ZR40_SIGN_PKCS12="$work/signer.p12" ZR40_SIGN_PASSWORD="$password" ZR40_SIGN_TIMESTAMP=""
bash "$sign" "$work/zr40tool.exe" >/dev/null || fail "cannot sign the program"
made=$(makensis -V4 -WX -DVERSION=0.0.1 "-DEXE=$work/zr40tool.exe" -DLANGDIR="$PWD/lang/language" \
  "-DOUTFILE=$work/Zr40Tool-0.0.1-setup.exe" "-DSIGN=$PWD/$sign" packaging/windows/zr40tool.nsi 2>&1) ||
  fail "makensis: $(grep -i -E "error|warning" <<<"$made")"
# the uninstaller is signed inside the setup, then the setup itself
[ "$(grep -c '^zr40tool: signed ' <<<"$made")" = 2 ] || fail "setup and uninstaller not both signed: $(grep "^zr40tool: " <<<"$made")"
bash packaging/windows/make-msi.sh "$work/package.msi" 0.0.1 "$(cat /proc/sys/kernel/random/uuid)" \
  "$work/zr40tool.exe" lang/language >/dev/null 2>&1 || fail "cannot build the package"
bash "$sign" "$work/package.msi" >/dev/null || fail "cannot sign the package"
for f in zr40tool.exe Zr40Tool-0.0.1-setup.exe package.msi; do
  out=$(osslsigncode verify -CAfile "$work/ca.pem" -in "$work/$f" 2>&1) ||
    fail "$f: the signature does not verify: $out"
  grep -q "Zr40Tool throw-away signer" <<<"$out" || fail "$f: not signed by the signer: $out"
  echo "signing: $f signed and verified"
done
# a wrong password signs nothing and fails
if ZR40_SIGN_PASSWORD=wrong bash "$sign" "$work/package.msi" >/dev/null 2>&1; then
  fail "signed with a wrong password"
fi
echo "signing: passed"
