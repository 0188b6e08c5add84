#!/usr/bin/env bash
# Installs the Debian packages a task needs, and only those that are missing.
#   scripts/install-deps.sh base|fuzz|windows|bench ...
set -euo pipefail

declare -A PACKAGE_GROUPS=(
  [base]="cmake make g++ pkg-config libexpat1-dev zlib1g-dev libgtest-dev python3"
  [fuzz]="clang-14 libclang-rt-14-dev"
  [windows]="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev binutils-mingw-w64-x86-64 wine wine64 xvfb xauth dpkg-dev zip imagemagick"
  [bench]="time python3"
)

wanted=()
for group in "${@:-base}"; do
  [[ -n "${PACKAGE_GROUPS[$group]:-}" ]] || { echo "install-deps: unknown group '$group'" >&2; exit 2; }
  for package in ${PACKAGE_GROUPS[$group]}; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || wanted+=("$package")
  done
done

if [[ ${#wanted[@]} -eq 0 ]]; then
  exit 0
fi

echo "install-deps: installing ${wanted[*]}"
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "install-deps: need root or sudo to install: ${wanted[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${wanted[@]}"
