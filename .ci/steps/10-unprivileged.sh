#!/usr/bin/env bash
# The unit tests once more as an ordinary user, in a copy of the tree that this user owns: what only a
# user who is not root meets (permissions, files that another user's run left behind) fails CI here.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ "$(id -u)" -ne 0 ]; then
  echo "The tests above ran as $(id -un), who is not root: nothing more to run."
  exit 0
fi

user=vantrel-ci
id -u "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
tree="$home/vantrel"
rm -rf "$tree"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"
# The files of the checkout as they stand, without build folders.
tree_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' file; do if [ -e "$file" ]; then printf '%s\0' "$file"; fi; done
  else
    find . \( -path ./.git -o -path ./build -o -path './build-*' \) -prune -o -type f -print0
  fi
}
tree_files | tar --null -T - -cf - | tar -C "$tree" -xf -
chown -R "$user:" "$tree"

runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/local/bin:/usr/bin:/bin \
  LANG=C.UTF-8 bash -c '
    set -euo pipefail
    cd "$1"
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build -j "$(nproc)"
    cd build
    QT_QPA_PLATFORM=offscreen ctest -L unit --output-on-failure -j "$(nproc)" --timeout 900' _ "$tree"
