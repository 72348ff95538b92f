#!/usr/bin/env bash
# Signs Windows programs and packages in place with osslsigncode (Authenticode, SHA-256) when a
# code-signing certificate is given; without one it says that it left them unsigned.
#   ZR40_SIGN_PKCS12=cert.p12 ZR40_SIGN_PASSWORD=... [ZR40_SIGN_TIMESTAMP=URL] sign.sh FILE...
# ZR40_SIGN_TIMESTAMP names an RFC 3161 time-stamp server, so that the signatures stay valid
# after the certificate expires. The password is handed over through a pipe, never as an
# argument that any user could read in the process list.
set -euo pipefail
if [ -z "${ZR40_SIGN_PKCS12:-}" ]; then
  for f in "$@"; do echo "zr40tool: $(basename "$f") left unsigned (no ZR40_SIGN_PKCS12 given)"; done
  exit 0
fi
[ -r "$ZR40_SIGN_PKCS12" ] || { echo "sign: cannot read $ZR40_SIGN_PKCS12" >&2; exit 1; }
timestamp=()
if [ -n "${ZR40_SIGN_TIMESTAMP:-}" ]; then
  timestamp=(-ts "$ZR40_SIGN_TIMESTAMP")
else
  echo "zr40tool: no ZR40_SIGN_TIMESTAMP: the signatures carry no time stamp"
fi
for f in "$@"; do
  signed="$f.signing"
  rm -f "$signed"
  printf '%s' "${ZR40_SIGN_PASSWORD:-}" |
    osslsigncode sign -pkcs12 "$ZR40_SIGN_PKCS12" -readpass - -h sha256 -n Zr40Tool \
      "${timestamp[@]}" -in "$f" -out "$signed" >/dev/null ||
    { rm -f "$signed"; echo "sign: osslsigncode could not sign $f" >&2; exit 1; }
  mv -f "$signed" "$f"
  echo "zr40tool: signed $(basename "$f")"
done
