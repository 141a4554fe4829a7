#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed programs
# from there, with a fresh user's home:
#   rastrova-cli --version and rastrova-sim --version print the project's version;
#   rastrova --quit-when-shown (offscreen) shows its main window and exits with 0,
#   and on this first start gives the user a copy of the examples, named in
#   settings kept in the user's configuration folder, never in the prefix;
#   rastrova-cli then finds the settings and the copied database there.
#
#   install_test.sh CMAKE BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail

cmake="$1"
build="$2"
source="$3"
version="$4"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

fail() {
  echo "install test: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install failed"; }

for f in bin/rastrova bin/rastrova-cli bin/rastrova-sim; do
  [ -x "$prefix/$f" ] || fail "$f is not installed as an executable"
done
for f in share/rastrova/sprav.txt share/rastrova/help/9.html share/rastrova/help/style.css \
         share/applications/rastrova.desktop share/icons/hicolor/scalable/apps/rastrova.svg \
         share/icons/hicolor/16x16/apps/rastrova.png share/icons/hicolor/256x256/apps/rastrova.png; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
cmp -s "$source/data/sprav.txt" "$prefix/share/rastrova/sprav.txt" || fail "the installed sprav.txt differs from data/sprav.txt"
diff -r "$source/examples" "$prefix/share/rastrova/examples" >/dev/null || fail "the installed examples differ from examples/"
grep -qx 'Exec=rastrova' "$prefix/share/applications/rastrova.desktop" || fail "the desktop entry does not start rastrova"
grep -qx 'Icon=rastrova' "$prefix/share/applications/rastrova.desktop" || fail "the desktop entry names no icon"
# The data are the share folder's only: nothing of them is beside the executables.
[ ! -e "$prefix/bin/sprav.txt" ] && [ ! -e "$prefix/bin/help" ] || fail "data files were installed into bin/"

# A user who has never started the program.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$HOME"
cd "$work" # not the build folder, not the prefix

out="$("$prefix/bin/rastrova-cli" --version)" || fail "rastrova-cli --version exited with $?"
[ "$out" = "rastrova-cli $version" ] || fail "rastrova-cli --version printed '$out', not 'rastrova-cli $version'"
out="$("$prefix/bin/rastrova" --version)" || fail "rastrova --version exited with $?"
[ "$out" = "rastrova $version" ] || fail "rastrova --version printed '$out'"
"$prefix/bin/rastrova-sim" --help >/dev/null || fail "rastrova-sim --help exited with $?"

rc=0
timeout 120 "$prefix/bin/rastrova" --quit-when-shown >"$work/editor.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/editor.log" >&2; fail "rastrova --quit-when-shown exited with $rc"; }

ini="$XDG_CONFIG_HOME/rastrova/RASTROVA.INI"
[ -f "$ini" ] || fail "the first start wrote no settings to $ini"
[ ! -e "$prefix/bin/RASTROVA.INI" ] || fail "settings were written into the prefix"
grep -q "^PUT=$XDG_DATA_HOME/rastrova/base"$'\r'"\?\$" "$ini" || { cat "$ini" >&2; fail "the settings do not name the copied base folder"; }
grep -q "^BathePath=$XDG_DATA_HOME/rastrova/database"$'\r'"\?\$" "$ini" || { cat "$ini" >&2; fail "the settings do not name the copied database"; }
diff -r "$source/examples/base" "$XDG_DATA_HOME/rastrova/base" >/dev/null || fail "the base folder is not a copy of the examples"

# The CLI reads the same settings: the catalogue of the copied database.
"$prefix/bin/rastrova-cli" catalogue >"$work/catalogue.txt" 2>"$work/catalogue.err" ||
  { cat "$work/catalogue.err" >&2; fail "rastrova-cli catalogue without --db exited with $?"; }
[ -s "$work/catalogue.txt" ] || fail "rastrova-cli catalogue printed nothing"
"$prefix/bin/rastrova-cli" scan "$XDG_DATA_HOME/rastrova/base" >"$work/scan.txt" || fail "rastrova-cli scan exited with $?"
grep -q '^  hourly ' "$work/scan.txt" || fail "the scan of the copied base found no blanks"

# A later start keeps what the user has: an edited blank and the settings stay.
echo "edited" >"$XDG_DATA_HOME/rastrova/base/mine.txt"
cp "$ini" "$work/ini.before"
timeout 120 "$prefix/bin/rastrova" --quit-when-shown >"$work/editor2.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/editor2.log" >&2; fail "the second start exited with $rc"; }
[ "$(cat "$XDG_DATA_HOME/rastrova/base/mine.txt")" = "edited" ] || fail "the second start changed the user's base folder"
cmp -s "$ini" "$work/ini.before" || fail "the second start rewrote the settings"

# --home still wins over the installed layout.
mkdir -p "$work/myhome"
timeout 120 "$prefix/bin/rastrova-cli" catalogue --home "$work/myhome" >/dev/null 2>"$work/home.err" && rc=0 || rc=$?
[ "$rc" -eq 2 ] || fail "with --home and no settings there, catalogue exited with $rc, not 2 (no database path)"
grep -q "$work/myhome/RASTROVA.INI" "$work/home.err" || { cat "$work/home.err" >&2; fail "--home did not name its own settings"; }

echo "install test: passed ($prefix)"
