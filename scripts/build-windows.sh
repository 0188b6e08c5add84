#!/usr/bin/env bash
# Cross-builds quorvel.exe with MinGW-w64 and packs dist/quorvel-win64.zip.
# Expat comes from Debian's expat source package, fetched through a private
# apt setup under build/windows/apt (the system's apt configuration is never
# touched) and built static once; zlib from libz-mingw-w64-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=build/windows
jobs=$(nproc 2>/dev/null || echo 2)
toolchain=$root/cmake/mingw-w64-x86_64.cmake

# base brings cmake, python3 (the art) and googletest's sources (the Wine suite).
scripts/install-deps.sh base windows

# --- Expat --------------------------------------------------------------
expat_prefix=$root/$out/expat/install
expat_stamp=$expat_prefix/quorvel.stamp
# The stamp names what the build came from, so a new toolchain file or
# compiler rebuilds it and anything else reuses it.
expat_key="$(sha256sum "$toolchain" | cut -c1-16) $(x86_64-w64-mingw32-gcc-posix -dumpfullversion)"

fetch_expat_source() {
  local apt_dir=$root/$out/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/source"
  cat > "$apt_dir/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
  local apt_options=(
    -o Dir::Etc::SourceList="$apt_dir/sources.list"
    -o Dir::Etc::SourceParts="$apt_dir/parts"
    -o Dir::State::Lists="$apt_dir/lists"
    -o Dir::Cache="$apt_dir/cache"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    -o APT::Sandbox::User=root
  )
  echo "== windows: fetching Debian's expat source"
  apt-get "${apt_options[@]}" -q update >/dev/null
  rm -rf "$apt_dir/source"/*
  (cd "$apt_dir/source" && apt-get "${apt_options[@]}" -q source expat >/dev/null)
  expat_source=$(find "$apt_dir/source" -maxdepth 3 -name CMakeLists.txt -path '*/expat/CMakeLists.txt' -printf '%h\n' | head -1)
  [[ -n "$expat_source" ]] || { echo "build-windows: no expat CMake build in the source package" >&2; exit 1; }
}

if [[ ! -f "$expat_stamp" || "$(cat "$expat_stamp")" != "$expat_key" ]]; then
  fetch_expat_source
  echo "== windows: building expat ($(basename "$(dirname "$expat_source")"))"
  rm -rf "$root/$out/expat/build" "$expat_prefix"
  cmake -S "$expat_source" -B "$root/$out/expat/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$expat_prefix" \
    -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF \
    -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_CHAR_TYPE=char >/dev/null
  # Debian's patches test "#if XML_DTD == 1" as its autotools build defines
  # it; expat's CMake build defines the feature macros empty.
  sed -i -E 's/^#define (XML_DTD|XML_NS)$/#define \1 1/' "$root/$out/expat/build/expat_config.h"
  cmake --build "$root/$out/expat/build" -j "$jobs" >/dev/null
  cmake --install "$root/$out/expat/build" >/dev/null
  echo "$expat_key" > "$expat_stamp"
fi

# --- The program ----------------------------------------------------------
if [[ ! -f $out/CMakeCache.txt ]]; then
  cmake -S . -B $out -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUORVEL_MINGW_PREFIX="$expat_prefix" \
    -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON >/dev/null
fi
cmake --build $out -j "$jobs" --target quorvel

# Only the system's own DLLs may be imported: the program is one file.
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|COMCTL32|COMDLG32|OLE32|WINMM|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p $out/quorvel.exe | sed -n 's/^[[:space:]]*DLL Name: //p')
foreign=$(grep -Eiv "$allowed" <<<"$imports" || true)
if [[ -n "$foreign" ]]; then
  echo "build-windows: quorvel.exe imports non-system DLLs: $foreign" >&2
  exit 1
fi

mkdir -p dist
if [[ ! -f dist/quorvel-win64.zip || $out/quorvel.exe -nt dist/quorvel-win64.zip || src/ui/quorvel.html -nt dist/quorvel-win64.zip ]]; then
  rm -f dist/quorvel-win64.zip
  zip -q -j dist/quorvel-win64.zip $out/quorvel.exe src/ui/quorvel.html
fi
echo "== windows: $out/quorvel.exe, dist/quorvel-win64.zip (imports: $(tr '\n' ' ' <<<"$imports"))"
