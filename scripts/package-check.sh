#!/usr/bin/env bash
# Checks what an installed copy is made of: the desktop entry and the AppStream metainfo
# validate, cpack builds the .deb from build/, the package holds the files it must and nothing
# it must not, and lintian finds no error and no warning in it. Run after scripts/build.sh
# (scripts/test.sh builds too).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
[ -f build/build.ninja ] || bash scripts/build.sh
fail() { echo "package check: $*" >&2; exit 1; }

desktop-file-validate data/package/vantor-internet-radio.desktop
# "Open with" for playlists: the launcher takes addresses and files, and names their types.
grep -qx 'Exec=vantor-radio %U' data/package/vantor-internet-radio.desktop || fail "the launcher takes no %U"
for type in audio/x-mpegurl audio/mpegurl audio/x-scpls application/xspf+xml; do
  grep -q "^MimeType=.*$type;" data/package/vantor-internet-radio.desktop || fail "the launcher lacks $type"
done
appstreamcli validate --no-net data/package/org.vantor.InternetRadio.metainfo.xml

cmake --build build -j "$(nproc)"
rm -f build/vantor-radio_*.deb
(cd build && cpack -G DEB >cpack.log) || { cat build/cpack.log; exit 1; }
deb=$(ls build/vantor-radio_*.deb)
echo "Built $deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
expect=(
  /usr/bin/vantor-radio
  /usr/bin/vantor-directory
  /usr/share/vantor-radio/lang.ini
  /usr/share/vantor-radio/inst.ini
  /usr/share/vantor-radio/Standaard.logskn
  /usr/share/vantor-radio/Standaard_head.skn
  /usr/share/vantor-radio/Standaard_frame1.skn
  /usr/share/vantor-radio/Standaard_balk1.skn
  /usr/share/vantor-radio/Nacht.logskn
  /usr/share/vantor-directory/catalogue.json
  /usr/share/applications/vantor-internet-radio.desktop
  /usr/share/metainfo/org.vantor.InternetRadio.metainfo.xml
  /usr/share/icons/hicolor/16x16/apps/vantor-internet-radio.png
  /usr/share/icons/hicolor/48x48/apps/vantor-internet-radio.png
  /usr/share/icons/hicolor/256x256/apps/vantor-internet-radio.png
  /usr/share/man/man1/vantor-radio.1.gz
  /usr/share/man/man1/vantor-directory.1.gz
  /usr/lib/systemd/user/vantor-directory.service
  /usr/share/doc/vantor-radio/copyright
  /usr/share/doc/vantor-radio/changelog.gz
)
for f in "${expect[@]}"; do
  grep -qxF "$f" <<<"$contents" || fail "missing $f"
done
# All the demo audio the build made.
made=$(find build/directory-data/audio -type f | wc -l)
shipped=$(grep -c '^/usr/share/vantor-directory/audio/[^/]\+$' <<<"$contents" || true)
[ "$made" -ge 1 ] && [ "$shipped" -eq "$made" ] || fail "demo audio: $shipped files shipped of $made made"
# Nothing of the build, the tests or a user's state.
if grep -E '^/usr/local/|/favo/.|_test$|\.sqlite3$|/package/|\.qrc$|\.in$' <<<"$contents"; then
  fail "unexpected files in the package"
fi
[ -z "$(grep -vE '^/usr/(bin|share|lib/systemd/user)(/|$)|^/$|^/usr/$|^/usr/lib/$|^/usr/lib/systemd/$' <<<"$contents")" ] \
  || fail "files outside /usr/bin, /usr/share and the user unit folder"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libgstreamer1.0-0 libcurl4 libsqlite3-0 gstreamer1.0-plugins-good gstreamer1.0-libav \
  qt6-translations-l10n "gstreamer1.0-pulseaudio | gstreamer1.0-pipewire | gstreamer1.0-alsa"; do
  grep -qF "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
grep -qw qt6-wayland <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks qt6-wayland"
grep -q '^ExecStart=/usr/bin/vantor-directory ' <(dpkg-deb --fsys-tarfile "$deb" \
  | tar -xO ./usr/lib/systemd/user/vantor-directory.service) || fail "the user unit does not start /usr/bin/vantor-directory"
unit=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/vantor-directory.service)
grep -q -- '--port-file %t/vantor-directory.port' <<<"$unit" || fail "the user unit names no port file"

# Debian's rules: any error or warning fails the check (informational tags are shown only).
lintian --fail-on error,warning --display-info "$deb" || fail "lintian found errors or warnings"
echo "package check: $(wc -l <<<"$contents") entries, Depends: $depends"
