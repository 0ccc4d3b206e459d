#!/usr/bin/env bash
# The program as it leaves the build tree: installs the build into a
# temporary folder with DESTDIR, checks that every file is in its place,
# validates the desktop entry and the metainfo, runs the installed programs
# (their --help, --version and unknown options need no display), builds the
# Debian package, lists it and has lintian judge it (no error or warning).
#   $1: the build folder (configured and built)
set -euo pipefail
build=$(cd "${1:?usage: check_install.sh BUILD_FOLDER}" && pwd)
id=io.github.vantorel.Vantorel
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "FAIL: no project version in $build/CMakeCache.txt" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "-- install into $stage/usr"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr
for f in bin/vantorel bin/vantorel-render \
         share/vantorel/mandelbrotinfo.txt share/vantorel/mandelhowto.txt share/lintian/overrides/vantorel \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/man/man1/vantorel.1.gz share/man/man1/vantorel-render.1.gz \
         share/doc/vantorel/copyright share/doc/vantorel/changelog.gz share/doc/vantorel/README.md; do
  [ -s "$root/$f" ] || fail "$f is not installed"
done
for size in 16 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$icon" ] || fail "no ${size}px icon"
  # The PNG header: signature, then the width and height as 32-bit big-endian numbers.
  header=$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')
  [ "$header" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "the ${size}px icon is $header"
done
# The changelog's newest entry is this version.
zcat "$root/share/doc/vantorel/changelog.gz" | head -n1 | grep -q "^vantorel ($version) " || fail "changelog is not for $version"
# Nothing that belongs to the build tree: no data folders beside the program.
[ ! -e "$root/bin/mandel_locations" ] && [ ! -e "$root/bin/mandel_pictures" ] || fail "data folders installed in bin/"

echo "-- desktop-file-validate"
desktop-file-validate "$root/share/applications/$id.desktop"
echo "-- appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"

echo "-- the installed programs"
headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${headless[@]}" "$root/bin/vantorel" --version)" = "vantorel $version" ] || fail "vantorel --version"
"${headless[@]}" "$root/bin/vantorel" --help | grep -q '^Usage: vantorel ' || fail "vantorel --help"
set +e
message=$("${headless[@]}" "$root/bin/vantorel" --frobnicate 2>&1)
status=$?
set -e
[ "$status" -eq 2 ] || fail "an unknown option gave status $status"
[ "$message" = "vantorel: unknown option '--frobnicate' (see vantorel --help)" ] || fail "unknown option: $message"
[ "$("$root/bin/vantorel-render" --version)" = "vantorel-render $version" ] || fail "vantorel-render --version"
# The installed renderer draws exactly what the one in the build tree draws.
"$root/bin/vantorel-render" --iterations 200 --step 3 --out "$stage/installed.bmp"
"$build/vantorel-render" --iterations 200 --step 3 --out "$stage/built.bmp"
cmp "$stage/installed.bmp" "$stage/built.bmp" || fail "the installed renderer draws another picture"
echo "vantorel --version: $("$root/bin/vantorel" --version); the installed vantorel-render drew the same picture"

echo "-- cpack -G DEB"
# Without dpkg-shlibdeps the package would have no dependencies: cpack must
# refuse. It is hidden behind /dev/null in a mount namespace of its own,
# which needs root.
shlibdeps=$(command -v dpkg-shlibdeps) || fail "dpkg-shlibdeps is missing (tools/install-deps.sh test)"
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  rm -f "$build"/vantorel_*.deb
  set +e
  refusal=$(cd "$build" && unshare -m sh -c "mount --bind /dev/null '$shlibdeps' && cpack -G DEB" 2>&1)
  status=$?
  set -e
  [ "$status" -ne 0 ] && grep -q "dpkg-shlibdeps is missing" <<<"$refusal" && ! ls "$build"/vantorel_*.deb 2>/dev/null \
    || fail "cpack made a package without dpkg-shlibdeps: $refusal"
  echo "without dpkg-shlibdeps cpack refuses: $(grep -o 'dpkg-shlibdeps is missing[^:]*' <<<"$refusal")"
else
  echo "(not checked without root: cpack refusing to package without dpkg-shlibdeps)"
fi
(cd "$build" && cpack -G DEB >/dev/null)
deb=$build/vantorel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "$deb was not made"
echo "-- dpkg-deb -I $deb"
dpkg-deb -I "$deb"
echo "-- dpkg-deb -c $deb"
dpkg-deb -c "$deb"
control=$(dpkg-deb -f "$deb" Package Version Maintainer Section Depends)
grep -qx "Package: vantorel" <<<"$control" || fail "package name"
grep -qx "Version: $version" <<<"$control" || fail "package version"
grep -qx "Maintainer: The Vantorel developers <vantorel@users.noreply.github.com>" <<<"$control" || fail "maintainer"
grep -q "^Depends: .*libqt6widgets6" <<<"$control" || fail "dependencies not computed from the libraries"
listing=$(dpkg-deb -c "$deb")
for f in usr/bin/vantorel usr/bin/vantorel-render usr/share/applications/$id.desktop \
         usr/share/icons/hicolor/256x256/apps/$id.png usr/share/vantorel/mandelhowto.txt; do
  grep -q " \./$f\$" <<<"$listing" || fail "$f is not in the package"
done
echo "-- lintian $deb"
# Errors and warnings fail; the information tags are shown. Run as root it
# says that root is not recommended, which is no finding about the package.
set +e
findings=$(lintian --info --fail-on error,warning "$deb" 2>&1)
status=$?
set -e
grep -v '^running with root privileges' <<<"$findings" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (status $status)"
echo "ok: installed tree, validators, installed programs, package and lintian"
