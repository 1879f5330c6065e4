#!/usr/bin/env bash
# Signs a release's set-up program for the program's update check. The program downloads
# setup-Meravel.exe and setup-Meravel.exe.sig (64 raw bytes: the Ed25519 signature of the
# file) and starts the set-up program only when the signature verifies against the release
# public key compiled into it (src/update/SetupSignature.cpp, or -DMERAVEL_RELEASE_PUBLIC_KEY).
#
#   sign-release.sh new-key KEY.pem      create a release key (keep it off the web server and
#                                        out of the repository); prints the public key in hex
#   sign-release.sh public-key KEY.pem   print the public key in hex (for the build)
#   sign-release.sh sign KEY.pem FILE    write FILE.sig next to FILE and check it
set -euo pipefail

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

public_hex() { openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n'; echo; }

[ $# -ge 2 ] || usage
case "$1" in
  new-key)
    [ -e "$2" ] && { echo "$2 exists already" >&2; exit 1; }
    (umask 077 && openssl genpkey -algorithm ed25519 -out "$2")
    public_hex "$2"
    ;;
  public-key)
    public_hex "$2"
    ;;
  sign)
    [ $# -eq 3 ] || usage
    openssl pkeyutl -sign -inkey "$2" -rawin -in "$3" -out "$3.sig"
    [ "$(stat -c %s "$3.sig")" -eq 64 ] || { echo "unexpected signature size" >&2; exit 1; }
    pub=$(mktemp)
    trap 'rm -f "$pub"' EXIT
    openssl pkey -in "$2" -pubout -out "$pub"
    openssl pkeyutl -verify -pubin -inkey "$pub" -rawin -in "$3" -sigfile "$3.sig" >/dev/null
    echo "$3.sig"
    ;;
  *) usage ;;
esac
