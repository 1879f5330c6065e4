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
#   sign-release.sh manifest KEY.pem FILE NUMBER
#                                        write the release manifest release.txt next to FILE
#                                        (release number NUMBER as in LastVersion.txt, FILE's
#                                        size and SHA-256) and its signature release.txt.sig,
#                                        and check it; the program downloads only a release
#                                        whose manifest verifies and whose number is higher
#                                        than its own, and starts only a file that matches it
set -euo pipefail

usage() { sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

# Signs FILE into FILE.sig with KEY and checks the signature.
sign_file() {
    openssl pkeyutl -sign -inkey "$1" -rawin -in "$2" -out "$2.sig"
    [ "$(stat -c %s "$2.sig")" -eq 64 ] || { echo "unexpected signature size" >&2; exit 1; }
    pub=$(mktemp)
    trap 'rm -f "$pub"' EXIT
    openssl pkey -in "$1" -pubout -out "$pub"
    openssl pkeyutl -verify -pubin -inkey "$pub" -rawin -in "$2" -sigfile "$2.sig" >/dev/null
}

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
    sign_file "$2" "$3"
    echo "$3.sig"
    ;;
  manifest)
    [ $# -eq 4 ] || usage
    [[ "$4" =~ ^[0-9]{1,18}$ && "$4" != 0 ]] || { echo "the release number must be digits, as in LastVersion.txt" >&2; exit 2; }
    out="$(dirname "$3")/release.txt"
    printf 'meravel-release 1\nversion %s\nsize %s\nsha256 %s\n' "$4" "$(stat -c %s "$3")" \
        "$(sha256sum "$3" | cut -d' ' -f1)" > "$out"
    sign_file "$2" "$out"
    echo "$out"
    echo "$out.sig"
    ;;
  *) usage ;;
esac
