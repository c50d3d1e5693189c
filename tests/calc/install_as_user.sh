#!/usr/bin/env bash
# The extension as a user installs it: a throwaway account (not root) runs `unopkg add` on the
# .oxt, finds the add-in's menu in its own Calc, runs `unopkg remove` and finds it gone. Needs
# root to make and remove the account; skipped (77) otherwise.
# usage: install_as_user.sh OXT CALC-TESTS LIBREOFFICE-PROGRAM-FOLDER
set -euo pipefail
oxt=$1
tests=$2
program=$3
identifier=com.quorvalent.calc
if [ "$(id -u)" != 0 ]; then
  echo "install_as_user.sh: needs root to make a throwaway account; skipped"
  exit 77
fi
user=qv-oxt-$$
useradd --create-home --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
trap 'pkill -KILL -u "$user" 2>/dev/null || true; userdel -r "$user" >/dev/null 2>&1 || true' EXIT
# The account reads nothing of root's: the package and the test program are copied to its home.
install -o "$user" -m 0644 "$oxt" "$home/quorvalent.oxt"
install -o "$user" -m 0755 "$tests" "$home/qv_calc_tests"
as_user() {
  runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin "$@"
}
in_calc() {
  as_user xvfb-run -a -s "-screen 0 1280x1024x24" env \
    URE_BOOTSTRAP="vnd.sun.star.pathname:$program/fundamentalrc" QV_CALC_EXTENSION="$1" \
    "$home/qv_calc_tests" --gtest_filter='UsersCalc.*'
}
listed() { as_user unopkg list | grep -c "^Identifier: $identifier\$" || true; }
as_user unopkg add --suppress-license "$home/quorvalent.oxt"
[ "$(listed)" = 1 ] || { echo "unopkg list lacks it after unopkg add" >&2; exit 1; }
in_calc installed
as_user unopkg remove "$identifier"
[ "$(listed)" = 0 ] || { echo "unopkg remove left it installed" >&2; exit 1; }
in_calc removed
echo "install_as_user.sh: added, found in Calc, removed, gone"
