#!/usr/bin/env bash
# signing_test.sh SOURCE_DIR BUILD_DIR: a release signed with a throwaway certificate authority's
# code-signing certificate verifies against that authority and against nothing changed, gives the
# unsigned release back without its signature, and still installs the demo packages under Wine.
set -euo pipefail
src=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
cd "$tmp"

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Test Publisher" 2>/dev/null
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile signer.ext -out signer.pem 2>/dev/null
password="not in any log $RANDOM$RANDOM"
printf '%s\n' "$password" >password
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.pfx -passout file:password

bash "$src/scripts/release.sh" --build "$build" --out unsigned >unsigned.log 2>&1 || fail "$(cat unsigned.log)"
grep -qx "No CVINST_SIGN_PFX: the release is unsigned" unsigned.log || fail "no unsigned notice"
CVINST_SIGN_PFX=$tmp/signer.pfx CVINST_SIGN_PASSWORD_FILE=$tmp/password \
    bash "$src/scripts/release.sh" --build "$build" --out signed >signed.log 2>&1 || fail "$(cat signed.log)"
! grep -qF "$password" signed.log || fail "the password is in the release's output"
for d in unsigned signed; do
    (cd $d && sha256sum -c --quiet SHA256SUMS) || fail "$d: SHA256SUMS"
    for z in $d/*.zip; do python3 -m zipfile -e "$z" $d/files; done
done
release=$(echo signed/files/CVInst-*)

for f in "$release"/*.exe "$release"/*.msi; do
    osslsigncode verify -CAfile ca.pem -in "$f" >verify.log 2>&1 || fail "$f: $(cat verify.log)"
done
cp "$release/CVInst.exe" changed.exe
printf 'x' | dd of=changed.exe bs=1 seek=4096 conv=notrunc 2>/dev/null
! osslsigncode verify -CAfile ca.pem -in changed.exe >/dev/null 2>&1 || fail "a changed byte verified"

osslsigncode remove-signature -in "$release/CVInst.exe" -out removed.exe >/dev/null
cmp removed.exe unsigned/files/CVInst-*/CVInst.exe || fail "CVInst.exe without its signature"

. "$src/scripts/wine-env.sh"
wine_env_up "$build/wine"
programs="$WINEPREFIX/drive_c/Program Files (x86)"
markers=("Corvane Menu/CVMenu.exe" "Corvane Workstation/CVWork.exe" \
         "Corvane Personal Server/CVPServ.exe" "Corvane Examples/start.cvm")
wine "$release/CVInst.exe" /I || fail "the signed CVInst.exe /I ended with $?"
for m in "${markers[@]}"; do [ -f "$programs/$m" ] || fail "$m was not installed"; done
wine "$release/CVInst.exe" /U || fail "the signed CVInst.exe /U ended with $?"
for m in "${markers[@]}"; do [ ! -e "$programs/$m" ] || fail "$m was not removed"; done
echo "signed, verified, unsigned again and installed"
