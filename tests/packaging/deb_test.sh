#!/bin/sh
# deb_test.sh CPACK BUILD_DIR EXAMPLE_DIR BINDIR LIBEXECDIR
# Builds the Debian package from this build's programs, unpacks it into a scratch root and runs
# the example through the unpacked tavo: the run must start the unpacked editor stand-in.
# Exits 77 (skipped) only when the Debian packaging tools are missing.
set -eu
cpack=$1 build=$2 example=$3 bindir=$4 libexecdir=$5

for tool in dpkg-deb dpkg-shlibdeps file; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is missing (scripts/setup.sh installs it)"
    exit 77
  fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavo-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# CPack runs the build's own install rules as `cpack -G DEB` in the build folder does (under
# the package's prefix and DESTDIR, refusing absolute destinations), but as an install script:
# the build folder's project would first be brought up to date (its preinstall step), which may
# build every target. zstd packs the sanitizer builds' large programs much faster than gzip.
cat >"$scratch/install.cmake" <<EOF
set(CMAKE_INSTALL_PREFIX "\${CPACK_PACKAGING_INSTALL_PREFIX}")
set(CMAKE_ERROR_ON_ABSOLUTE_INSTALL_DESTINATION "\${CPACK_ERROR_ON_ABSOLUTE_INSTALL_DESTINATION}")
include("$build/cmake_install.cmake")
EOF
cat >"$scratch/config.cmake" <<EOF
include("$build/CPackConfig.cmake")
set(CPACK_INSTALL_CMAKE_PROJECTS "")
set(CPACK_INSTALL_SCRIPTS "$scratch/install.cmake")
set(CPACK_DEBIAN_COMPRESSION_TYPE zstd)
EOF
if ! "$cpack" -G DEB --config "$scratch/config.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fail "cpack -G DEB failed"
fi
set -- "$scratch"/out/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then fail "not one package in $scratch/out: $*"; fi
deb=$1

dpkg-deb -c "$deb" >"$scratch/contents" || fail "dpkg-deb -c $deb"
if grep -q ' \./usr/local/' "$scratch/contents"; then
  cat "$scratch/contents"
  fail "the package installs under /usr/local"
fi
prefix=usr  # CPack's prefix for Debian packages
root="$scratch/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x $deb"
for file in "$bindir/tavo" "$libexecdir/notepad" "$libexecdir/FPKIT.html" \
  share/applications/tavo.desktop share/icons/hicolor/scalable/apps/tavo.svg \
  share/man/man1/tavo.1; do
  [ -f "$root/$prefix/$file" ] || fail "the package has no /$prefix/$file"
done

# The command interpreter tavo starts the editor through ($COMSPEC) logs which notepad the
# command line reaches on the PATH tavo passes it (as a physical path) and the command's exit
# status. PATH holds only an empty folder, so that no notepad of this machine can be found: the
# one reached is in the folder tavo appended. Without a terminal the stand-in returns at once
# with status 0; one that cannot start (a library missing) does not.
mkdir "$scratch/empty"
cat >"$scratch/interpreter" <<EOF
#!/bin/sh
found=\$(command -v notepad) && found=\$(cd "\${found%/*}" && pwd -P)/notepad || found=none
/bin/sh -c "\$2"
status=\$?
printf '%s: %s: %s\n' "\$2" "\$found" "\$status" >>"$scratch/editor.log"
exit \$status
EOF
chmod +x "$scratch/interpreter"
mkdir "$scratch/case"
cp "$example"/* "$scratch/case/"
status=0
(cd "$scratch/case" && exec env -i PATH="$scratch/empty" HOME="$scratch" LC_ALL=C \
  TAVO_CONSOLE=terminal COMSPEC="$scratch/interpreter" "$root/$prefix/$bindir/tavo") \
  </dev/null >"$scratch/stdout" 2>"$scratch/stderr" || status=$?
[ $status -eq 0 ] || { cat "$scratch/stderr"; fail "the unpacked tavo ended with status $status"; }
if [ -s "$scratch/stderr" ]; then
  cat "$scratch/stderr"
  fail "the unpacked tavo wrote to standard error"
fi
[ -s "$scratch/case/relatorio.txt" ] || fail "the unpacked tavo wrote no report"

notepad=$(cd "$root/$prefix/$libexecdir" && pwd -P)/notepad
expected="notepad dados.r33: $notepad: 0
notepad relatorio.txt: $notepad: 0"
actual=$(cat "$scratch/editor.log" 2>/dev/null || true)
if [ "$actual" != "$expected" ]; then
  printf 'expected editor calls:\n%s\nactual:\n%s\n' "$expected" "$actual"
  fail "the unpacked tavo did not start the unpacked editor stand-in"
fi
echo "ok: $(basename "$deb") starts its own editor stand-in"
