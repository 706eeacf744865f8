#!/usr/bin/env bash
# scripts/main-job.sh - builds the shipped i686 and the x86_64 build, then shows in a throw-away
# Wine prefix what a silent installation of the demo package puts on a machine and what its
# silent uninstallation leaves behind. The report is meant to be read by a person.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

section() { printf '\n==== %s\n' "$*"; }

# Windows path of a unix path inside the prefix's drive C:.
prefix_path() { printf '%s/drive_c/%s' "$WINEPREFIX" "$1"; }

# reg.exe writes in the console code page (852 for Hungarian).
reg_query() {
  "$PIX_WINE" reg query "$1" "${@:2}" 2>/dev/null | iconv -f CP852 -t UTF-8 | tr -d '\r' | sed '/^$/d; /^reg: /d' || true
  "$PIX_WINE" reg query "$1" >/dev/null 2>&1 || echo "  (key not present: $1)"
}

show_shortcuts() {
  local found=0
  for folder in "ProgramData/Microsoft/Windows/Start Menu/Programs" "users/Public/Desktop" \
                "users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" "users/$(id -un)/Desktop"; do
    [ -d "$(prefix_path "$folder")" ] || continue
    while IFS= read -r -d '' link; do
      found=1
      # The target path is stored as 8-bit text inside the link; show the readable strings.
      printf '  %s\n      -> %s\n' "${link#"$WINEPREFIX"/}" \
        "$(strings -n 6 "$link" | grep -i 'pixorama 5\\' | head -1)"
    done < <(find "$(prefix_path "$folder")" -iname '*pixorama*' -name '*.lnk' -print0 2>/dev/null)
    find "$(prefix_path "$folder")" -type d -iname 'pixorama 5' -printf '  folder: %p\n' 2>/dev/null
  done
  [ $found = 1 ] || echo "  (no Pixorama shortcuts)"
}

report_registry() {
  reg_query 'HKLM\SOFTWARE\Corvanta' /s
  reg_query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Pixcap5.exe'
  reg_query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pixorama 5'
}

run_in_wine() {
  pix_wine_env
  local work dest package
  work=$(mktemp -d "${TMPDIR:-/tmp}/pix-main-job.XXXXXX")
  section "fresh Wine prefix in $work"
  "$PIX_ROOT/scripts/make-wine-template" "$work/prefix"
  export WINEPREFIX=$work/prefix
  # One session for the whole report: a new wineserver session counts as a system start, and
  # Wine would carry out the deletions that wait for the next start before we could show them.
  wineserver -p
  package=$PIX_OUT/win64/package
  dest=$(prefix_path "Program Files/Pixorama 5")

  section "silent installation: setup.exe -s from $package"
  # A self-extracting package would name itself here; Pixcap5.ini lies beside that name.
  export sfxname="Z:$(echo "$package/Pixorama5Setup.exe" | tr / '\\')"
  echo "sfxname=$sfxname"
  set +e
  "$PIX_WINE" "Z:$(echo "$package/setup.exe" | tr / '\\')" -s
  echo "setup.exe exit code: $?"
  set -e

  section "installed files in C:\\Program Files\\Pixorama 5"
  ls -l "$dest" || echo "  (no installation folder)"
  section "the InstallLog PixUnInst.log (code page 1250, shown as UTF-8)"
  iconv -f CP1250 -t UTF-8 "$dest/PixUnInst.log" | tr -d '\r' | nl -ba || echo "  (no log)"
  section "registry entries"
  report_registry
  section "shortcuts"
  show_shortcuts

  section "silent uninstallation: PixUnInst.exe -s from the installation folder"
  set +e
  "$PIX_WINE" 'C:\Program Files\Pixorama 5\PixUnInst.exe' -s
  echo "first stage exit code: $?"
  set -e
  # The second stage is a temporary copy ("uni*.tmp") that outlives the first: wait for it.
  local waited=0
  while pgrep -f -i 'uni[0-9a-f]*\.tmp' >/dev/null && [ $waited -lt 120 ]; do
    sleep 0.5; waited=$((waited + 1))
  done
  echo "second stage ended after about $((waited / 2)) s"

  section "what is left"
  if [ -d "$dest" ]; then ls -la "$dest"; else echo "  installation folder: removed"; fi
  report_registry
  show_shortcuts
  echo "  temporary copies of the uninstaller:"
  find "$(prefix_path "users")" -maxdepth 5 -path '*Temp*' -iname 'uni*.tmp' -printf '    %p (%s bytes)\n' 2>/dev/null
  echo "  waiting for deletion at the next start (PendingFileRenameOperations):"
  "$PIX_WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
    2>/dev/null | tr -d '\r' | sed -n 's/.*REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' | sed '/^$/d; s/^/    /' || true

  section "next start of the prefix (a new Wine session)"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  "$PIX_WINE" cmd /c exit 2>/dev/null || true
  wineserver -w
  local left
  left=$(find "$(prefix_path "users")" -maxdepth 5 -path '*Temp*' -iname 'uni*.tmp' 2>/dev/null)
  if [ -z "$left" ]; then echo "  the temporary copy is gone"; else echo "  still there: $left"; fi

  wineserver -k 2>/dev/null || true
  [ -n "${PIX_KEEP_PREFIX:-}" ] || rm -rf "$work"
}

# The interactive road, for a person at a display: the wizard of the demo package in a fresh
# prefix. Nothing is opened on the web: the prefix's web handler only records the address.
run_wizard() {
  pix_wine_env
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/pix-wizard.XXXXXX")
  "$PIX_ROOT/scripts/make-wine-template" "$work/prefix"
  export WINEPREFIX=$work/prefix
  set +e
  "$PIX_WINE" "Z:$(echo "$PIX_OUT/win64/package/setup.exe" | tr / '\\')"
  echo "setup.exe exit code: $?"
  set -e
  section "web pages the installer asked to open"
  cat "$(prefix_path opened-urls.txt)" 2>/dev/null || echo "  (none)"
  wineserver -k 2>/dev/null || true
  [ -n "${PIX_KEEP_PREFIX:-}" ] || rm -rf "$work"
}

# What a rebuild must match (README: "Rebuilding and comparing"): the SHA-256 of the shipped files,
# with the commit, the time stamp the build gave them and the toolchain that made them.
report_shipped_sums() {
  local package=$PIX_OUT/win32/package commit stamp
  if commit=$(git -C "$PIX_ROOT" rev-parse HEAD 2>/dev/null); then
    git -C "$PIX_ROOT" diff --quiet HEAD || commit="$commit with uncommitted changes"
  else
    commit="(not a git checkout)"
  fi
  stamp=$(/usr/bin/python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", d, 0x3C)[0]; print(struct.unpack_from("<I", d, pe + 8)[0])' \
    "$package/setup.exe")
  section "SHA-256 of the shipped files (out/win32/package)"
  echo "commit $commit, time stamp $stamp ($(date -u -d "@$stamp" '+%Y-%m-%d %H:%M:%S UTC'))"
  (cd "$package" && find . -maxdepth 1 -type f ! -name .assembled -printf '%f\0' | sort -z |
     xargs -0 sha256sum)
  echo "built with:"
  dpkg-query -W -f='  ${Package} ${Version}\n' g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
    mingw-w64-i686-dev cmake ninja-build
}

if [ "${1:-}" = "--wine-part" ]; then
  run_in_wine
  exit 0
fi

pix_install_packages
section "build: win32 (shipped) and win64"
pix_build win32
pix_build win64
ls -l "$PIX_OUT/win32/package" "$PIX_OUT/win64/package"
report_shipped_sums

if [ "${1:-}" = "--wizard" ]; then
  [ -n "${DISPLAY:-}" ] || { echo "--wizard needs a display (DISPLAY is not set)"; exit 2; }
  run_wizard
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "${BASH_SOURCE[0]}" --wine-part
else
  run_in_wine
fi
